#pragma once

#include "models/CommitmentMode.h"

#include <QWidget>

#include <functional>

namespace stirwell {

// The first-launch window until the full onboarding exists: one sentence
// about what Stirwell does and a button that starts it in the normal mode.
class OnboardingWindow : public QWidget {
    Q_OBJECT
public:
    explicit OnboardingWindow(std::function<void(CommitmentMode)> onComplete, QWidget *parent = nullptr);

private:
    std::function<void(CommitmentMode)> m_onComplete;
};

} // namespace stirwell
