#include "JsonOutput.h"

#include <QJsonDocument>

#include <iostream>

namespace kaldor {

QString Json(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

QJsonArray JsonStrings(const std::vector<std::string>& texts) {
    QJsonArray array;
    for (const auto& text : texts) {
        array.append(Json(text));
    }
    return array;
}

void PrintJson(const QJsonObject& document) {
    std::cout << QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
    std::cout.flush();
}

} // namespace kaldor
