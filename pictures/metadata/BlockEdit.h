// What vetting one metadata block of a picture for location data decided.
#pragma once

#include <string>

namespace albumon {

struct BlockEdit {
    bool changed = false;     // the block is replaced by data; dropped when data is empty
    bool unreadable = false;  // (a part of) the block could not be read and is dropped whole
    std::string data;

    static BlockEdit Kept() { return {}; }
    static BlockEdit Unreadable() { return {true, true, {}}; }
    static BlockEdit Replaced(std::string data) { return {true, false, std::move(data)}; }
};

// The MD5 digest of bytes as 32 upper-case hexadecimal digits.
std::string Md5Hex(const std::string& bytes);

// The MD5 digest of bytes, 16 bytes.
std::string Md5Bytes(const std::string& bytes);

}  // namespace albumon
