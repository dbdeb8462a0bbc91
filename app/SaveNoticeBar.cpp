// The notice a successful save leaves at the bottom of the main window.
#include "SaveNoticeBar.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace albumon {

namespace {

// Warnings listed in the notice; the count of the rest follows, the whole list is their tip.
constexpr qsizetype kListedWarnings = 3;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

SaveNoticeBar::SaveNoticeBar(QWidget* parent) : QFrame(parent), launcher_(OpenWithDesktop) {
    setObjectName(QStringLiteral("SaveNotice"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    Text = new QLabel(this);
    Text->setObjectName(QStringLiteral("SaveNoticeText"));
    Text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Warnings = new QLabel(this);
    Warnings->setObjectName(QStringLiteral("SaveNoticeWarnings"));
    Warnings->setWordWrap(true);
    Warnings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    OpenAlbumButton = MakeButton(this, "OpenAlbumButton", QStringLiteral("アルバムを開く"));
    OpenFolderButton = MakeButton(this, "OpenFolderButton", QStringLiteral("フォルダーを開く"));
    PublishButton = MakeButton(this, "PublishButton", QStringLiteral("公開する"));
    PublishButton->setToolTip(QStringLiteral("保存したアルバムを公開先に送ります"));
    DismissButton = MakeButton(this, "DismissNoticeButton", QStringLiteral("×"));
    DismissButton->setToolTip(QStringLiteral("閉じる"));
    DismissButton->setFixedWidth(28);

    // What was written on the first line, the warnings and the buttons below it.
    auto* top = new QHBoxLayout;
    top->addWidget(Text, 1);
    top->addWidget(DismissButton);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Warnings, 1);
    bottom->addWidget(OpenAlbumButton, 0, Qt::AlignBottom);
    bottom->addWidget(OpenFolderButton, 0, Qt::AlignBottom);
    bottom->addWidget(PublishButton, 0, Qt::AlignBottom);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 4, 8, 4);
    column->addLayout(top);
    column->addLayout(bottom);

    connect(OpenAlbumButton, &QPushButton::clicked, this, [this] { Open(indexPage_); });
    connect(OpenFolderButton, &QPushButton::clicked, this,
            [this] { Open(QFileInfo(indexPage_).absolutePath()); });
    connect(PublishButton, &QPushButton::clicked, this, &SaveNoticeBar::publishAsked);
    connect(DismissButton, &QPushButton::clicked, this, &SaveNoticeBar::Dismiss);
    hide();
}

void SaveNoticeBar::ShowSaved(const QString& saved, const QString& indexPage,
                              const QStringList& warnings, bool publishable) {
    indexPage_ = indexPage;
    PublishButton->setVisible(publishable);
    Text->setText(QStringLiteral("%1 — %2").arg(saved, indexPage));
    Text->setToolTip(Text->text());
    QStringList listed = warnings.mid(0, kListedWarnings);
    if (warnings.size() > kListedWarnings)
        listed << QStringLiteral("ほか %1 件").arg(warnings.size() - kListedWarnings);
    Warnings->setText(listed.join(QLatin1Char('\n')));
    Warnings->setToolTip(warnings.size() > kListedWarnings ? warnings.join(QLatin1Char('\n'))
                                                           : QString());
    show();
    emit heightChanged();
}

void SaveNoticeBar::Dismiss() {
    if (isHidden())
        return;
    hide();
    emit heightChanged();
}

void SaveNoticeBar::Open(const QString& path) {
    launcher_(QUrl::fromLocalFile(path).toString());
}

}  // namespace albumon
