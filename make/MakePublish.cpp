// albumon-make's publish: an unknown host is refused, a password is asked on a terminal only.
#include "MakePublish.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "CurlTransport.h"
#include "Paths.h"
#include "ProgramPaths.h"
#include "PublishSettings.h"
#include "Publisher.h"

namespace albumon {

namespace {

// Echo off on the terminal for as long as it lives.
class QuietTerminal {
  public:
    QuietTerminal() : changed_(::tcgetattr(STDIN_FILENO, &saved_) == 0) {
        if (!changed_)
            return;
        termios quiet = saved_;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    ~QuietTerminal() {
        if (changed_)
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
    }
    QuietTerminal(const QuietTerminal&) = delete;
    QuietTerminal& operator=(const QuietTerminal&) = delete;

  private:
    termios saved_{};
    bool changed_;
};

std::optional<std::string> AskOnTerminal(const std::string& prompt, std::ostream& err) {
    err << prompt << ": " << std::flush;
    std::string password;
    {
        const QuietTerminal quiet;
        if (!std::getline(std::cin, password))
            password.clear();
    }
    err << "\n";
    if (password.empty())
        return std::nullopt;
    return password;
}

// The fingerprints of server certificates the user accepted in the window.
std::vector<std::string> AcceptedCertificates() {
    const ProgramPaths self = ProgramPaths::OfThisProgram();
    const ProgramPaths window =
        ProgramPaths::For(self.ExecutableFolder + "albumon", UserFolders::FromEnvironment());
    return ReadPublishSettings(window.SettingsFile).AcceptedCertificates;
}

// The progress on err: the line redrawn on a terminal (midLine says it is not ended yet), a
// line each time for a log.
PublishProgressFn ShowProgress(std::ostream& err, bool terminal, bool& midLine) {
    return [&err, terminal, &midLine](const PublishProgress& shown) {
        if (terminal) {
            err << "\r公開しています: " << ProgressWords(shown) << std::flush;
            midLine = true;
        } else {
            err << "公開しています: " << ProgressWords(shown) << "\n" << std::flush;
        }
        return true;
    };
}

}  // namespace

int PublishSaved(const Destination& destination, const std::string& outFolder,
                 const std::string& head, std::ostream& out, std::ostream& err, bool quiet,
                 bool terminal) {
    PublishAsk ask;
    bool midLine = false;
    if (::isatty(STDIN_FILENO)) {
        ask.password = [&err, &midLine](const std::string& prompt) {
            if (midLine)
                err << "\n";
            midLine = false;
            return AskOnTerminal(prompt, err);
        };
    }
    const PublishProgressFn progress =
        quiet ? PublishProgressFn() : ShowProgress(err, terminal, midLine);
    const auto endLine = [&] {
        if (midLine)
            err << "\n";
        midLine = false;
    };
    try {
        ask.acceptedCertificates = AcceptedCertificates();
        CurlTransport server(destination, ask);
        const PublishSummary summary = PublishAlbum(server, outFolder, head, progress);
        endLine();
        if (!quiet) {
            out << "公開しました: " << summary.sentFiles << " 個のファイル（" << summary.sentBytes
                << " バイト）を送りました — アルバム " << summary.albumFiles << " 個のファイル（"
                << summary.albumBytes << " バイト）\n";
        }
        return 0;
    } catch (const std::exception& error) {
        endLine();
        err << "albumon-make: 公開できませんでした: " << error.what() << "\nアルバムは "
            << outFolder << head << ".htm に保存してあります\n";
        return 1;
    }
}

}  // namespace albumon
