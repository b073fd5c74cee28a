#include "app/shell/OnboardingWindow.h"

#include "app/shell/SymbolIcons.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace stirwell {

OnboardingWindow::OnboardingWindow(std::function<void(CommitmentMode)> onComplete, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_onComplete(std::move(onComplete))
{
    setObjectName(QStringLiteral("onboarding"));
    setWindowTitle(QStringLiteral("Welcome to Stirwell"));
    setFixedSize(420, 300);
    setStyleSheet(QStringLiteral("QWidget#onboarding { background: white; } QLabel { color: #1c1c1e; }"
                                 "QPushButton { background: #30d158; color: white; border: none; border-radius: 18px;"
                                 " padding: 9px 26px; font-size: 15px; font-weight: bold; }"
                                 "QPushButton:hover { background: #28b84c; }"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 30, 36, 30);
    layout->setSpacing(14);
    auto *icon = new QLabel;
    icon->setPixmap(QPixmap::fromImage(renderSymbol(QStringLiteral("figure.walk"), QColor(0x30, 0xd1, 0x58), 56)));
    icon->setAlignment(Qt::AlignCenter);
    auto *title = new QLabel(QStringLiteral("<b style='font-size:20px'>Welcome to Stirwell</b>"));
    title->setAlignment(Qt::AlignCenter);
    auto *text = new QLabel(QStringLiteral(
        "Stirwell counts down your work time from the tray and, when a break is due, "
        "covers your screens and invites you to stand up and move."));
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignCenter);
    auto *start = new QPushButton(QStringLiteral("Get Started"));
    start->setObjectName(QStringLiteral("getStarted"));
    start->setCursor(Qt::PointingHandCursor);
    start->setDefault(true);
    start->setAutoDefault(true);
    layout->addWidget(icon);
    layout->addWidget(title);
    layout->addWidget(text);
    layout->addStretch();
    layout->addWidget(start, 0, Qt::AlignCenter);
    start->setFocus();
    connect(start, &QPushButton::clicked, this, [this] {
        if (m_onComplete)
            m_onComplete(CommitmentMode::normal);
    });
}

} // namespace stirwell
