// Printing answers as JSON for scripts.
#pragma once

#include <QJsonArray>
#include <QJsonObject>

#include <string>
#include <vector>

namespace kaldor {

QString Json(const std::string& text);
QJsonArray JsonStrings(const std::vector<std::string>& texts);

// Writes the document, indented, to standard output.
void PrintJson(const QJsonObject& document);

} // namespace kaldor
