// Reading a small XML file of the installation the one way the platform does: the bytes through
// the file layer (so a FIFO or a directory is refused instead of blocking or misreading), the
// document kept with its whitespace, and the root's direct children of one name handed over in
// document order.
#pragma once

#include <functional>
#include <string>

namespace tinyxml2 {
class XMLElement;
}

namespace VELMORA::NEVRA::Platform {

// How far reading a file got. Only `Read` hands over children; every other state reads as a
// file that names nothing.
enum class XmlFileState { Read, Unreadable, Malformed, NoRoot };

struct XmlFileReading {
    XmlFileState state = XmlFileState::Read;
    // Unreadable: the file layer's reason. Malformed: the XML error's name (XML_ERROR_…).
    std::string error;
    int errorLine = 0; // Malformed only: the line the parser stopped at
};

XmlFileReading ReadXmlChildren(const std::string& path, const char* element,
                               const std::function<void(const tinyxml2::XMLElement&)>& visit);

} // namespace VELMORA::NEVRA::Platform
