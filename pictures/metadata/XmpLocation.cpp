// XMP packets as libxml2 trees: properties are removed by namespace and name wherever they stand,
// as attributes or as elements, and the rest of the packet is written back as it was.
#include "metadata/XmpLocation.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlsave.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>

#include "metadata/BlockEdit.h"
#include "metadata/ByteOrder.h"

namespace albumon {

namespace {

const std::string kPacketHeader("http://ns.adobe.com/xap/1.0/\0", 29);
const std::string kExtensionHeader("http://ns.adobe.com/xmp/extension/\0", 35);
constexpr std::size_t kGuidSize = 32;
// namespace, GUID, full length, offset
constexpr std::size_t kExtensionPrefix = 35 + kGuidSize + 4 + 4;

constexpr const char* kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
constexpr const char* kXmpNote = "http://ns.adobe.com/xmp/note/";

using Predicate = std::function<bool(const xmlNs* ns, const xmlChar* name)>;

bool Is(const xmlNs* ns, const char* href) {
    return ns && ns->href && std::strcmp(reinterpret_cast<const char*>(ns->href), href) == 0;
}

bool Named(const xmlChar* name, const char* text) {
    return std::strcmp(reinterpret_cast<const char*>(name), text) == 0;
}

bool IsPlace(const xmlNs* ns, const xmlChar* name) {
    const auto* text = reinterpret_cast<const char*>(name);
    if (Is(ns, "http://ns.adobe.com/exif/1.0/") || Is(ns, "http://cipa.jp/exif/1.0/"))
        return std::strncmp(text, "GPS", 3) == 0;
    if (Is(ns, "http://ns.adobe.com/photoshop/1.0/"))
        return Named(name, "City") || Named(name, "State") || Named(name, "Country");
    if (Is(ns, "http://iptc.org/std/Iptc4xmpCore/1.0/xmlns/"))
        return Named(name, "Location") || Named(name, "CountryCode");
    if (Is(ns, "http://iptc.org/std/Iptc4xmpExt/2008-02-29/"))
        return Named(name, "LocationCreated") || Named(name, "LocationShown");
    // A drone's position, and the ground point its range finder measured.
    if (Is(ns, "http://www.dji.com/drone-dji/1.0/"))
        return std::strncmp(text, "Gps", 3) == 0 || std::strncmp(text, "LRFTarget", 9) == 0 ||
               Named(name, "AbsoluteAltitude");
    return false;
}

bool IsExtensionPointer(const xmlNs* ns, const xmlChar* name) {
    return Is(ns, kXmpNote) && Named(name, "HasExtendedXMP");
}

struct DocRelease {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using Doc = std::unique_ptr<xmlDoc, DocRelease>;

Doc Parse(const std::string& text) {
    // Once before any thread parses (libxml2 asks for it in threaded programs).
    static const bool initialised = (xmlInitParser(), true);
    (void)initialised;
    if (text.size() > static_cast<std::size_t>(INT32_MAX))
        return {};
    Doc doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    // XMP has no document type; one would only bring entities to expand.
    if (doc && (doc->intSubset || doc->extSubset))
        return {};
    return doc;
}

std::string Serialized(xmlDoc* doc) {
    std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), &xmlBufferFree);
    if (!buffer)
        return {};
    xmlSaveCtxt* save = xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL);
    if (!save)
        return {};
    const long written = xmlSaveDoc(save, doc);
    xmlSaveClose(save);
    if (written < 0)
        return {};
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

// Removes the attributes and elements under node that match; whether there were any.
bool Remove(xmlNode* node, const Predicate& matches) {
    bool removed = false;
    for (xmlAttr* attr = node->properties; attr;) {
        xmlAttr* next = attr->next;
        if (matches(attr->ns, attr->name)) {
            xmlRemoveProp(attr);
            removed = true;
        }
        attr = next;
    }
    for (xmlNode* child = node->children; child;) {
        xmlNode* next = child->next;
        if (child->type == XML_ELEMENT_NODE) {
            if (matches(child->ns, child->name)) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
                removed = true;
            } else {
                removed = Remove(child, matches) || removed;
            }
        }
        child = next;
    }
    return removed;
}

xmlNode* FindRdf(xmlNode* node) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (Is(node->ns, kRdf) && Named(node->name, "RDF"))
            return node;
        if (xmlNode* found = FindRdf(node->children))
            return found;
    }
    return nullptr;
}

// Whether the packet still holds a property: a typed node, a property attribute or element.
bool HasProperties(xmlDoc* doc) {
    xmlNode* rdf = FindRdf(xmlDocGetRootElement(doc));
    for (xmlNode* node = rdf ? rdf->children : nullptr; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (!Is(node->ns, kRdf) || !Named(node->name, "Description"))
            return true;
        for (xmlAttr* attr = node->properties; attr; attr = attr->next) {
            if (attr->ns && !Is(attr->ns, kRdf) &&
                !Is(attr->ns, reinterpret_cast<const char*>(XML_XML_NAMESPACE)))
                return true;
        }
        for (xmlNode* child = node->children; child; child = child->next) {
            if (child->type == XML_ELEMENT_NODE)
                return true;
        }
    }
    return false;
}

std::string Text(xmlChar* value) {
    std::unique_ptr<xmlChar, decltype(xmlFree)> owned(value, xmlFree);
    return owned ? reinterpret_cast<const char*>(owned.get()) : "";
}

// The value of the first attribute or element under node that matches, or none.
std::optional<std::string> FindValue(xmlDoc* doc, xmlNode* node, const Predicate& matches) {
    for (xmlAttr* attr = node->properties; attr; attr = attr->next) {
        if (matches(attr->ns, attr->name))
            return Text(xmlNodeListGetString(doc, attr->children, 1));
    }
    for (xmlNode* child = node->children; child; child = child->next) {
        if (child->type != XML_ELEMENT_NODE)
            continue;
        if (matches(child->ns, child->name))
            return Text(xmlNodeGetContent(child));
        if (auto found = FindValue(doc, child, matches))
            return found;
    }
    return std::nullopt;
}

// Points the packet to the extended XMP of guid, or to none when guid is empty.
void SetExtensionGuid(xmlDoc* doc, const std::string& guid) {
    xmlNode* root = xmlDocGetRootElement(doc);
    Remove(root, IsExtensionPointer);
    xmlNode* rdf = FindRdf(root);
    xmlNode* node = rdf ? rdf->children : nullptr;
    while (node && node->type != XML_ELEMENT_NODE)
        node = node->next;
    if (guid.empty() || !node)
        return;
    const auto* href = reinterpret_cast<const xmlChar*>(kXmpNote);
    xmlNs* ns = xmlSearchNsByHref(doc, node, href);
    if (!ns)
        ns = xmlNewNs(node, href, reinterpret_cast<const xmlChar*>("xmpNote"));
    xmlSetNsProp(node, ns, reinterpret_cast<const xmlChar*>("HasExtendedXMP"),
                 reinterpret_cast<const xmlChar*>(guid.c_str()));
}

// The extended XMP text joined from its parts, or none when they do not fit together exactly.
std::optional<std::string> Joined(std::vector<const std::string*> parts) {
    if (parts.empty())
        return std::nullopt;
    std::sort(parts.begin(), parts.end(), [](const std::string* a, const std::string* b) {
        return BigEndian(*a, kExtensionPrefix - 4, 4) < BigEndian(*b, kExtensionPrefix - 4, 4);
    });
    const std::uint64_t full = BigEndian(*parts.front(), kExtensionPrefix - 8, 4);
    std::string text;
    for (const std::string* part : parts) {
        if (BigEndian(*part, kExtensionPrefix - 8, 4) != full ||
            BigEndian(*part, kExtensionPrefix - 4, 4) != text.size())
            return std::nullopt;
        text.append(*part, kExtensionPrefix, std::string::npos);
    }
    if (text.size() != full)
        return std::nullopt;
    return text;
}

// The extended XMP text in parts under its GUID.
std::vector<std::string> Parts(const std::string& text, const std::string& guid) {
    constexpr std::size_t kPartSize = kMaxSegmentPayload - kExtensionPrefix;
    std::vector<std::string> parts;
    for (std::size_t at = 0; at < text.size(); at += kPartSize) {
        parts.push_back(kExtensionHeader + guid + BigEndianBytes(text.size(), 4) +
                        BigEndianBytes(at, 4) + text.substr(at, kPartSize));
    }
    return parts;
}

// A main packet read from its payload, with what happened to it.
struct Packet {
    const std::string* payload = nullptr;
    Doc doc;
    bool changed = false;
};

// What becomes of the extended XMP: its parts (the old ones when it did not change) and, when it
// changed, the GUID the main packet points to now (empty for none).
struct Extension {
    std::vector<std::string> parts;
    std::optional<std::string> newGuid;
    bool unreadable = false;
};

Extension ExtensionEdit(const std::string& guid, const std::vector<std::string>& extensions) {
    Extension result;
    std::vector<const std::string*> ours;
    for (const std::string& part : extensions) {
        if (!guid.empty() && part.size() >= kExtensionPrefix &&
            part.compare(kExtensionHeader.size(), kGuidSize, guid) == 0) {
            ours.push_back(&part);
        } else {
            result.unreadable = true;  // a part no readable packet points to
        }
    }
    if (ours.empty())
        return result;
    const std::optional<std::string> text = Joined(ours);
    Doc doc = text ? Parse(*text) : Doc();
    if (!doc) {
        result.unreadable = true;
        result.newGuid = "";
        return result;
    }
    if (!Remove(xmlDocGetRootElement(doc.get()), IsPlace)) {
        for (const std::string* part : ours)
            result.parts.push_back(*part);
        return result;
    }
    result.newGuid = "";
    if (HasProperties(doc.get())) {
        const std::string rewritten = Serialized(doc.get());
        if (rewritten.empty() || rewritten.size() > UINT32_MAX) {
            result.unreadable = true;
            return result;
        }
        result.newGuid = Md5Hex(rewritten);
        result.parts = Parts(rewritten, *result.newGuid);
    }
    return result;
}

}  // namespace

bool IsXmpPacket(const std::string& payload) {
    return payload.compare(0, kPacketHeader.size(), kPacketHeader) == 0;
}

bool IsXmpExtension(const std::string& payload) {
    return payload.compare(0, kExtensionHeader.size(), kExtensionHeader) == 0;
}

XmpEdit XmpLocationEdit(const std::vector<std::string>& packets,
                        const std::vector<std::string>& extensions) {
    XmpEdit edit;
    std::vector<Packet> read;
    std::string guid;
    for (const std::string& payload : packets) {
        Doc doc = Parse(payload.substr(kPacketHeader.size()));
        if (!doc || !FindRdf(xmlDocGetRootElement(doc.get()))) {
            edit.changed = edit.unreadable = true;
            continue;
        }
        const bool changed = Remove(xmlDocGetRootElement(doc.get()), IsPlace);
        if (guid.empty()) {
            guid = FindValue(doc.get(), xmlDocGetRootElement(doc.get()), IsExtensionPointer)
                       .value_or("");
        }
        read.push_back({&payload, std::move(doc), changed});
    }
    Extension extension = ExtensionEdit(guid, extensions);
    edit.unreadable = edit.unreadable || extension.unreadable;
    edit.changed = edit.changed || edit.unreadable || extension.newGuid.has_value();
    for (Packet& packet : read) {
        if (extension.newGuid && FindValue(packet.doc.get(), xmlDocGetRootElement(packet.doc.get()),
                                           IsExtensionPointer)) {
            SetExtensionGuid(packet.doc.get(), *extension.newGuid);
            packet.changed = true;
        }
        edit.changed = edit.changed || packet.changed;
        if (!packet.changed) {
            edit.payloads.push_back(*packet.payload);
        } else if (HasProperties(packet.doc.get())) {
            std::string payload = kPacketHeader + Serialized(packet.doc.get());
            if (payload.size() > kMaxSegmentPayload || payload.size() == kPacketHeader.size())
                edit.unreadable = true;
            else
                edit.payloads.push_back(std::move(payload));
        }
    }
    for (std::string& part : extension.parts)
        edit.payloads.push_back(std::move(part));
    return edit;
}

}  // namespace albumon
