#pragma once

namespace stirwell {

// For idle sources that must ask a server (the X server, the compositor over
// D-Bus): asked once a second, the source sends the next request right after
// answering and takes its reply at the following question, by which time the
// reply is waiting. A steady caller then costs no wake-up beyond its own, and
// its answers are one step old. A second question within kSharedAnswerAge
// shares the last answer; a question after more than kPipelinedAnswerAge asks
// afresh and waits, as an old reply cannot stand for now.
struct PipelinedIdleQuery {
    static constexpr double kSharedAnswerAge = 0.5;
    static constexpr double kPipelinedAnswerAge = 1.25;

    enum class Step { shareLastAnswer, takePendingReply, askAfresh };

    // `age`: seconds since the pending request was sent.
    [[nodiscard]] static constexpr Step next(bool requestPending, bool haveLastAnswer, double age)
    {
        if (!requestPending || age < 0 || age > kPipelinedAnswerAge)
            return Step::askAfresh;
        if (age < kSharedAnswerAge && haveLastAnswer)
            return Step::shareLastAnswer;
        return Step::takePendingReply;
    }
};

} // namespace stirwell
