// The window's publish without the window, for the server tests: publishes a saved album and
// answers the questions the window would ask as its arguments say.
//   publish_probe DEST OUTFOLDER HEAD [--trust-host yes|no] [--accept FINGERPRINT]
// The password, when one is asked, is read from standard input. Prints each question and the
// summary; exits 1 when the publish fails.
#include <iostream>
#include <string>

#include "CurlTransport.h"
#include "Publisher.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: publish_probe DEST OUTFOLDER HEAD [--trust-host yes|no] "
                     "[--accept FINGERPRINT]\n";
        return 2;
    }
    albumon::PublishAsk ask;
    std::string trust;
    for (int i = 4; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--trust-host")
            trust = argv[i + 1];
        else if (option == "--accept")
            ask.acceptedCertificates.push_back(argv[i + 1]);
    }
    if (!trust.empty()) {
        ask.unknownHost = [trust](const std::string& host, const std::string& fingerprint) {
            std::cout << "asked: " << host << " " << fingerprint << std::endl;
            return trust == "yes";
        };
    }
    ask.password = [](const std::string& prompt) -> std::optional<std::string> {
        std::cout << "password asked: " << prompt << std::endl;
        std::string line;
        if (!std::getline(std::cin, line) || line.empty())
            return std::nullopt;
        return line;
    };
    try {
        albumon::CurlTransport server(albumon::ParseDestination(argv[1]), ask);
        const albumon::PublishSummary summary = albumon::PublishAlbum(server, argv[2], argv[3]);
        std::cout << "sent " << summary.sentFiles << " files " << summary.sentBytes << " bytes of "
                  << summary.albumFiles << " files " << summary.albumBytes << " bytes" << std::endl;
        return 0;
    } catch (const std::exception& error) {
        std::cout << "failed: " << error.what() << std::endl;
        return 1;
    }
}
