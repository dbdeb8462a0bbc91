// The server operations over libcurl: SFTP (libssh2) with the user's ssh keys and known hosts,
// FTPS (explicit TLS through OpenSSL) with the system's certificate authorities.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Destination.h"
#include "Transport.h"

namespace albumon {

// How a connection asks the user; an empty function refuses (albumon-make without a terminal).
struct PublishAsk {
    // The password for the prompt's account; nothing when the user gives none.
    std::function<std::optional<std::string>(const std::string& prompt)> password;
    // Whether to trust a host not in ~/.ssh/known_hosts, shown with its key's fingerprint; a
    // yes adds it there.
    std::function<bool(const std::string& host, const std::string& fingerprint)> unknownHost;
    // Certificate fingerprints the user accepted though they do not verify.
    std::vector<std::string> acceptedCertificates;
};

// A server certificate that did not verify and was not accepted before.
class ECertificateRefused : public PublishError {
  public:
    ECertificateRefused(const std::string& host, const std::string& fingerprint);
    const std::string& Fingerprint() const { return fingerprint_; }

  private:
    std::string fingerprint_;
};

class CurlTransport : public Transport {
  public:
    CurlTransport(Destination destination, PublishAsk ask);
    ~CurlTransport() override;
    CurlTransport(const CurlTransport&) = delete;
    CurlTransport& operator=(const CurlTransport&) = delete;

    std::optional<std::vector<std::string>> List(const std::string& folder) override;
    std::optional<std::string> Fetch(const std::string& path) override;
    void Put(const std::string& bytes, const std::string& path) override;
    void Rename(const std::string& from, const std::string& to) override;
    void Delete(const std::string& path) override;
    void Mkdir(const std::string& folder) override;
    bool RenameReplaces() const override { return destination_.kind == Destination::Ftps; }

  private:
    struct Session;
    void Quote(const std::vector<std::string>& commands);

    Destination destination_;
    std::unique_ptr<Session> session_;
};

}  // namespace albumon
