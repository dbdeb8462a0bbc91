// Reading a publish destination.
#include "Destination.h"

#include <charconv>

#include "Errors.h"

namespace albumon {

namespace {

[[noreturn]] void Refuse(const std::string& text, const std::string& why) {
    throw Exception("公開先「" + text + "」は使えません: " + why);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

int ParsePort(const std::string& text, const std::string& whole) {
    int port = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535)
        Refuse(whole, "ポート番号が正しくありません");
    return port;
}

}  // namespace

std::string Destination::Server() const {
    return std::string(kind == Sftp ? "sftp://" : "ftp://") + host + ":" + std::to_string(port);
}

Destination ParseDestination(const std::string& text) {
    Destination result;
    std::string rest;
    if (StartsWith(text, "sftp://")) {
        result.kind = Destination::Sftp;
        rest = text.substr(7);
    } else if (StartsWith(text, "ftps://")) {
        result.kind = Destination::Ftps;
        rest = text.substr(7);
    } else if (StartsWith(text, "ftp://")) {
        Refuse(text,
               "ftp:// ではパスワードが暗号化されずに送られます。sftp:// か ftps:// を"
               "指定してください");
    } else {
        Refuse(text,
               "sftp://ユーザー名@ホスト/フォルダ/ か ftps://ユーザー名@ホスト/フォルダ/ "
               "の形で指定してください");
    }
    const auto slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    result.path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (result.path.back() != '/')
        result.path += '/';
    const auto at = authority.rfind('@');
    if (at == std::string::npos || at == 0)
        Refuse(text, "ユーザー名がありません");
    result.user = authority.substr(0, at);
    std::string hostPort = authority.substr(at + 1);
    result.port = result.kind == Destination::Sftp ? 22 : 21;
    const auto colon = hostPort.rfind(':');
    if (colon != std::string::npos && hostPort.find(']', colon) == std::string::npos) {
        result.port = ParsePort(hostPort.substr(colon + 1), text);
        hostPort.resize(colon);
    }
    if (hostPort.empty())
        Refuse(text, "ホスト名がありません");
    result.host = hostPort;
    return result;
}

}  // namespace albumon
