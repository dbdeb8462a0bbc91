// The server operations over one libcurl handle, which keeps its connection from one operation
// to the next.
#include "CurlTransport.h"

#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "Fingerprint.h"

namespace albumon {

namespace {

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Home() {
    const char* home = std::getenv("HOME");
    return home ? home : "";
}

// The first of the usual key files in ~/.ssh; empty when there is none.
std::string KeyFile() {
    for (const char* name : {"id_ed25519", "id_ecdsa", "id_rsa"}) {
        std::string path = Home() + "/.ssh/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            return path;
    }
    return {};
}

size_t CollectBytes(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

struct Upload {
    const std::string* bytes;
    size_t offset = 0;
};

size_t GiveBytes(char* buffer, size_t size, size_t count, void* source) {
    auto* upload = static_cast<Upload*>(source);
    const size_t length = std::min(size * count, upload->bytes->size() - upload->offset);
    std::memcpy(buffer, upload->bytes->data() + upload->offset, length);
    upload->offset += length;
    return length;
}

int CertificateIndex() {
    static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

// A path inside the destination as quoted SFTP commands take it: absolute, in double quotes.
std::string SftpArgument(const std::string& path) {
    std::string text = "\"";
    for (char c : path) {
        if (c == '"' || c == '\\')
            text += '\\';
        text += c;
    }
    return text + "\"";
}

}  // namespace

ECertificateRefused::ECertificateRefused(const std::string& host, const std::string& fingerprint)
    : PublishError("サーバー " + host + " の証明書を確認できません（指紋 " + fingerprint +
                   "）。この証明書を信頼する場合だけ、公開するときに受け入れてください"),
      fingerprint_(fingerprint) {}

// The handle and what its callbacks need; the password is held here only, for this run.
struct CurlTransport::Session {
    Destination destination;
    PublishAsk ask;
    CURL* curl = nullptr;
    char error[CURL_ERROR_SIZE] = {};
    std::optional<std::string> password;
    bool passwordAsked = false;
    std::string hostProblem;         // why the host key was refused
    std::string refusedCertificate;  // the fingerprint of a certificate refused
    std::string entryPath;           // the FTP login folder, once logged in
    std::string keyFile = KeyFile();
    std::string knownHosts = Home() + "/.ssh/known_hosts";

    Session(Destination where, PublishAsk how)
        : destination(std::move(where)), ask(std::move(how)) {
        GlobalInit();
        curl = curl_easy_init();
        if (!curl)
            throw PublishError("通信の準備ができません");
    }
    ~Session() {
        curl_easy_cleanup(curl);
        if (password)
            ::explicit_bzero(password->data(), password->size());
    }

    static int JudgeHostKey(CURL*, const curl_khkey*, const curl_khkey* found, curl_khmatch match,
                            void* data) {
        auto* self = static_cast<Session*>(data);
        const std::string blob =
            found->len ? std::string(found->key, found->len) : DecodeBase64(found->key);
        const std::string fingerprint = HostKeyFingerprint(blob);
        const std::string& host = self->destination.host;
        if (match == CURLKHMATCH_OK)
            return CURLKHSTAT_FINE;
        if (match == CURLKHMATCH_MISSING && self->ask.unknownHost &&
            self->ask.unknownHost(host, fingerprint))
            return CURLKHSTAT_FINE_ADD_TO_FILE;
        self->hostProblem =
            match == CURLKHMATCH_MISSING
                ? "ホスト " + host + " は known_hosts にありません（鍵の指紋 " + fingerprint +
                      "）。ssh で一度接続して確かめてから公開してください"
                : "ホスト " + host + " の鍵が known_hosts に記録された鍵と違います（今の鍵の指紋 " +
                      fingerprint + "）。なりすましの恐れがあるため接続しませんでした";
        return CURLKHSTAT_REJECT;
    }

    static int VerifyCertificate(int ok, X509_STORE_CTX* store) {
        if (ok)
            return 1;
        auto* ssl = static_cast<SSL*>(
            X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        auto* self =
            static_cast<Session*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), CertificateIndex()));
        X509* leaf = X509_STORE_CTX_get0_cert(store);
        unsigned char* der = nullptr;
        const int length = i2d_X509(leaf, &der);
        if (length <= 0)
            return 0;
        const std::string fingerprint =
            CertificateFingerprint(std::string_view(reinterpret_cast<char*>(der), length));
        OPENSSL_free(der);
        const auto& accepted = self->ask.acceptedCertificates;
        if (std::find(accepted.begin(), accepted.end(), fingerprint) != accepted.end()) {
            X509_STORE_CTX_set_error(store, X509_V_OK);
            return 1;
        }
        self->refusedCertificate = fingerprint;
        return 0;
    }

    static CURLcode SetUpTls(CURL*, void* context, void* data) {
        auto* ssl = static_cast<SSL_CTX*>(context);
        // The system's store as OpenSSL finds it (SSL_CERT_FILE, SSL_CERT_DIR) besides libcurl's.
        SSL_CTX_set_default_verify_paths(ssl);
        SSL_CTX_set_ex_data(ssl, CertificateIndex(), data);
        SSL_CTX_set_verify(ssl, SSL_VERIFY_PEER, VerifyCertificate);
        return CURLE_OK;
    }

    // Resets the handle to what every operation shares.
    void Prepare(const std::string& url) {
        curl_easy_reset(curl);
        error[0] = '\0';
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
        curl_easy_setopt(curl, CURLOPT_USERNAME, destination.user.c_str());
        if (password)
            curl_easy_setopt(curl, CURLOPT_PASSWORD, password->c_str());
        if (destination.kind == Destination::Sftp) {
            long types = CURLSSH_AUTH_AGENT | CURLSSH_AUTH_PUBLICKEY;
            if (password)
                types = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
            curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, types);
            if (!keyFile.empty())
                curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, keyFile.c_str());
            ::mkdir((Home() + "/.ssh").c_str(), 0700);
            curl_easy_setopt(curl, CURLOPT_SSH_KNOWNHOSTS, knownHosts.c_str());
            curl_easy_setopt(curl, CURLOPT_SSH_KEYFUNCTION, JudgeHostKey);
            curl_easy_setopt(curl, CURLOPT_SSH_KEYDATA, this);
        } else {
            curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, SetUpTls);
            curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, this);
        }
    }

    // Runs the prepared operation; a refused login asks for the password once and runs it
    // again. Returns the result when it is one of allowed, else raises PublishError.
    CURLcode Perform(std::initializer_list<CURLcode> allowed = {}) {
        CURLcode result = curl_easy_perform(curl);
        if (result == CURLE_LOGIN_DENIED && !passwordAsked && ask.password) {
            passwordAsked = true;
            password = ask.password(destination.user + "@" + destination.host + " のパスワード");
            if (password) {
                const long types = CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD;
                curl_easy_setopt(curl, CURLOPT_PASSWORD, password->c_str());
                if (destination.kind == Destination::Sftp)
                    curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES, types);
                result = curl_easy_perform(curl);
            }
        }
        if (result == CURLE_OK && entryPath.empty()) {
            const char* entry = nullptr;
            if (curl_easy_getinfo(curl, CURLINFO_FTP_ENTRY_PATH, &entry) == CURLE_OK && entry)
                entryPath = entry;
        }
        if (result == CURLE_OK ||
            std::find(allowed.begin(), allowed.end(), result) != allowed.end())
            return result;
        Fail(result);
    }

    [[noreturn]] void Fail(CURLcode result) const {
        const std::string host = destination.host;
        if (!hostProblem.empty())
            throw PublishError(hostProblem);
        if (!refusedCertificate.empty())
            throw ECertificateRefused(host, refusedCertificate);
        std::string detail = error[0] ? error : curl_easy_strerror(result);
        switch (result) {
            case CURLE_LOGIN_DENIED:
                throw PublishError(host +
                                   " にログインできません: ユーザー名かパスワード（または鍵）が"
                                   "違います");
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_CONNECT:
                throw PublishError(host + " に接続できません（" + detail + "）");
            case CURLE_UPLOAD_FAILED:
            case CURLE_WRITE_ERROR:
                throw PublishError(host +
                                   " にファイルを書き込めません。サーバーの容量が足りないか、"
                                   "書き込みが許されていません（" +
                                   detail + "）");
            default:
                throw PublishError(host + " との通信に失敗しました（" + detail + "）");
        }
    }

    // The address of a path inside the destination, each part escaped.
    std::string Url(const std::string& path) const {
        std::string url = destination.Server();
        std::string whole = destination.path + path;
        size_t start = 1;
        url += '/';
        while (start <= whole.size()) {
            size_t end = whole.find('/', start);
            if (end == std::string::npos)
                end = whole.size();
            char* part = curl_easy_escape(curl, whole.data() + start, int(end - start));
            url += part;
            curl_free(part);
            if (end < whole.size())
                url += '/';
            start = end + 1;
        }
        return url;
    }
};

CurlTransport::CurlTransport(Destination destination, PublishAsk ask)
    : destination_(destination), session_(std::make_unique<Session>(destination, std::move(ask))) {}

CurlTransport::~CurlTransport() = default;

std::optional<std::vector<std::string>> CurlTransport::List(const std::string& folder) {
    std::string text;
    session_->Prepare(session_->Url(folder.empty() ? "" : folder + "/"));
    curl_easy_setopt(session_->curl, CURLOPT_DIRLISTONLY, 1L);
    curl_easy_setopt(session_->curl, CURLOPT_WRITEFUNCTION, CollectBytes);
    curl_easy_setopt(session_->curl, CURLOPT_WRITEDATA, &text);
    if (session_->Perform({CURLE_REMOTE_FILE_NOT_FOUND, CURLE_REMOTE_ACCESS_DENIED}) != CURLE_OK)
        return std::nullopt;
    std::vector<std::string> names;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string name = text.substr(start, end - start);
        if (!name.empty() && name.back() == '\r')
            name.pop_back();
        if (!name.empty() && name != "." && name != "..")
            names.push_back(name.substr(name.rfind('/') + 1));
        start = end + 1;
    }
    return names;
}

std::optional<std::string> CurlTransport::Fetch(const std::string& path) {
    std::string bytes;
    session_->Prepare(session_->Url(path));
    curl_easy_setopt(session_->curl, CURLOPT_WRITEFUNCTION, CollectBytes);
    curl_easy_setopt(session_->curl, CURLOPT_WRITEDATA, &bytes);
    if (session_->Perform({CURLE_REMOTE_FILE_NOT_FOUND, CURLE_FTP_COULDNT_RETR_FILE}) != CURLE_OK)
        return std::nullopt;
    return bytes;
}

void CurlTransport::Put(const std::string& bytes, const std::string& path) {
    Upload upload{&bytes};
    session_->Prepare(session_->Url(path));
    curl_easy_setopt(session_->curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(session_->curl, CURLOPT_READFUNCTION, GiveBytes);
    curl_easy_setopt(session_->curl, CURLOPT_READDATA, &upload);
    curl_easy_setopt(session_->curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(bytes.size()));
    session_->Perform();
}

void CurlTransport::Quote(const std::vector<std::string>& commands) {
    curl_slist* list = nullptr;
    for (const std::string& command : commands)
        list = curl_slist_append(list, command.c_str());
    const std::unique_ptr<curl_slist, void (*)(curl_slist*)> owner(list, curl_slist_free_all);
    session_->Prepare(destination_.Server() + "/");
    curl_easy_setopt(session_->curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(session_->curl, CURLOPT_QUOTE, list);
    session_->Perform();
}

namespace {

// FTP commands run in whatever folder the connection was left in: the path is made absolute
// from the login folder, which ftp:// addresses start from.
std::string FtpPath(const Destination& destination, const std::string& entry,
                    const std::string& path) {
    std::string base = entry.empty() ? "/" : entry;
    if (base.back() != '/')
        base += '/';
    return base + destination.path.substr(1) + path;
}

}  // namespace

void CurlTransport::Rename(const std::string& from, const std::string& to) {
    if (destination_.kind == Destination::Sftp) {
        Quote({"rename " + SftpArgument(destination_.path + from) + " " +
               SftpArgument(destination_.path + to)});
    } else {
        Quote({"RNFR " + FtpPath(destination_, session_->entryPath, from),
               "RNTO " + FtpPath(destination_, session_->entryPath, to)});
    }
}

void CurlTransport::Delete(const std::string& path) {
    Quote({destination_.kind == Destination::Sftp
               ? "rm " + SftpArgument(destination_.path + path)
               : "DELE " + FtpPath(destination_, session_->entryPath, path)});
}

void CurlTransport::Mkdir(const std::string& folder) {
    Quote({destination_.kind == Destination::Sftp
               ? "mkdir " + SftpArgument(destination_.path + folder)
               : "MKD " + FtpPath(destination_, session_->entryPath, folder)});
}

}  // namespace albumon
