// The XMP of a JPEG file (the main packet and the extended parts it points to), read with libxml2
// and written back without the properties that tell where the picture was taken.
#pragma once

#include <string>
#include <vector>

namespace albumon {

// Whether an APP1 payload is an XMP main packet ("http://ns.adobe.com/xap/1.0/\0" first) or a
// part of extended XMP ("http://ns.adobe.com/xmp/extension/\0" first).
bool IsXmpPacket(const std::string& payload);
bool IsXmpExtension(const std::string& payload);

struct XmpEdit {
    bool changed = false;     // payloads replace every XMP segment of the file
    bool unreadable = false;  // something could not be read and was dropped whole
    std::vector<std::string> payloads;
};

// The XMP payloads (main packets, then extended parts) without the properties of a place, in any
// RDF form and at any depth: exif:GPS... (and exifEX:GPS...), photoshop:City, State and Country,
// Iptc4xmpCore:Location and CountryCode, Iptc4xmpExt:LocationCreated and LocationShown, and a
// drone's drone-dji:Gps..., AbsoluteAltitude and LRFTarget... (its range finder's aim). Extended
// XMP is joined by the GUID of the main packet's xmpNote:HasExtendedXMP and, when it changes,
// written again in parts under the MD5 of its new text, the main packet pointing to it. A packet
// left with no property is dropped (extended XMP with the main packet's pointer); a packet that
// does not parse, and parts that do not belong to a readable packet, are dropped whole.
XmpEdit XmpLocationEdit(const std::vector<std::string>& packets,
                        const std::vector<std::string>& extensions);

}  // namespace albumon
