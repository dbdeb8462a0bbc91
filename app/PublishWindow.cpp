// 公開する: the saved album sent to the naming page's destination, with the window's questions
// for a password, an unknown host and a certificate that does not verify.
#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
#include <QProgressDialog>
#include <memory>

#include "CurlTransport.h"
#include "MessageBoxes.h"
#include "Publisher.h"
#include "QtText.h"
#include "SaveNoticeBar.h"
#include "Unit1.h"

namespace albumon {

namespace {

PublishAsk WindowQuestions(QWidget* parent, const std::vector<std::string>& accepted) {
    PublishAsk ask;
    ask.password = [parent](const std::string& prompt) -> std::optional<std::string> {
        bool ok = false;
        const QString text = QInputDialog::getText(parent, QStringLiteral("公開"), Text(prompt),
                                                   QLineEdit::Password, QString(), &ok);
        if (!ok || text.isEmpty())
            return std::nullopt;
        return text.toStdString();
    };
    ask.unknownHost = [parent](const std::string& host, const std::string& fingerprint) {
        return AskYesNo(parent, QStringLiteral("ホスト %1 に接続するのは初めてです。\n"
                                               "鍵の指紋: %2\n"
                                               "このホストを信頼して接続しますか？")
                                    .arg(Text(host), Text(fingerprint)));
    };
    ask.acceptedCertificates = accepted;
    return ask;
}

std::unique_ptr<QProgressDialog> MakeProgressDialog(QWidget* parent) {
    auto dialog = std::make_unique<QProgressDialog>(QStringLiteral("公開しています…"),
                                                    QStringLiteral("キャンセル"), 0, 100, parent);
    dialog->setWindowTitle(QStringLiteral("公開"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setMinimumDuration(0);
    return dialog;
}

}  // namespace

void TForm1::PublishSavedAlbum() {
    TakeGeneralPageSettings();
    const Destination destination = ParseDestination(publish_.Destination);
    // Made when the first file is about to go up: the questions of the connection (host key,
    // password) come before, and a progress window shown then would stand over them.
    std::unique_ptr<QProgressDialog> dialog;
    const PublishProgressFn progress = [this, &dialog](const PublishProgress& shown) {
        if (!dialog)
            dialog = MakeProgressDialog(this);
        dialog->setLabelText(QString::fromStdString(ProgressWords(shown)));
        dialog->setValue(shown.byteCount ? int(shown.bytes * 100 / shown.byteCount) : 100);
        QCoreApplication::processEvents();
        return !dialog->wasCanceled();
    };
    for (;;) {
        PublishAsk ask = WindowQuestions(this, publish_.AcceptedCertificates);
        try {
            CurlTransport server(destination, std::move(ask));
            const PublishSummary summary =
                PublishAlbum(server, album_.OutPath, savedHead_, progress);
            dialog.reset();
            NoticeBar->Text->setText(QStringLiteral("公開しました: %1 — %2 ファイルを送りました")
                                         .arg(Text(publish_.Destination))
                                         .arg(summary.sentFiles));
            return;
        } catch (const ECertificateRefused& refused) {
            dialog.reset();
            if (!AskYesNo(this, Text(refused.what()) +
                                    QStringLiteral("\n\nこの証明書を信頼して公開しますか？")))
                return;
            publish_.AcceptedCertificates.push_back(refused.Fingerprint());
            WritePublishSettings(paths_.SettingsFile, publish_);
        }
    }
}

}  // namespace albumon
