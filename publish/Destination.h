// Where an album is published: an sftp:// or ftps:// address read from the user's text.
#pragma once

#include <string>

namespace albumon {

struct Destination {
    enum Kind { Sftp, Ftps };
    Kind kind = Sftp;
    std::string user;
    std::string host;
    int port = 0;      // 22 for SFTP, 21 for FTPS unless given
    std::string path;  // the folder on the server, starting and ending with "/"

    // "sftp://host:port" (no user, no path): the server part of the addresses libcurl is given.
    std::string Server() const;
};

// Reads "sftp://user@host[:port]/path/" or "ftps://user@host[:port]/path/" (the trailing "/"
// may be missing). Raises albumon::Exception with a message for the user for anything else; a
// plain "ftp://" address is refused, as its password would cross the network unencrypted.
Destination ParseDestination(const std::string& text);

}  // namespace albumon
