#include "XmlChildren.h"

#include "FileSystem.h"
#include "FileSystemError.h"

#include <tinyxml2.h>

namespace VELMORA::NEVRA::Platform {

XmlFileReading ReadXmlChildren(const std::string& path, const char* element,
                               const std::function<void(const tinyxml2::XMLElement&)>& visit) {
    XmlFileReading reading;
    std::string bytes;
    try {
        bytes = ReadFileBytes(path);
    } catch (const FileSystemError& error) {
        reading.state = XmlFileState::Unreadable;
        reading.error = error.what();
        return reading;
    }
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) {
        const char* name = document.ErrorName();
        reading.state = XmlFileState::Malformed;
        reading.error = name != nullptr ? name : "XML_ERROR";
        reading.errorLine = document.ErrorLineNum();
        return reading;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    if (root == nullptr) {
        reading.state = XmlFileState::NoRoot;
        return reading;
    }
    for (const tinyxml2::XMLElement* child = root->FirstChildElement(element); child != nullptr;
         child = child->NextSiblingElement(element)) {
        visit(*child);
    }
    return reading;
}

} // namespace VELMORA::NEVRA::Platform
