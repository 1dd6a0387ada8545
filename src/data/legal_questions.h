#pragma once
// The ten legal questions as the questionnaire asks them; the printed
// statement states the same words next to the stored answers, so the client
// signs what was asked.

#include <QString>

namespace nettora::legal {

struct Question {
    const char *text;
    const char *answerField;       // "Yes", "No", or empty while unanswered
    const char *caption;           // over the explanation
    const char *explanationField;
};

inline constexpr int QuestionCount = 10;
extern const Question Questions[QuestionCount];

// What a stored answer states: "Yes" or "No" exactly; anything else (empty,
// "yes", a stray text) was never answered and states nothing.
QString statedAnswer(const QString &stored);

}  // namespace nettora::legal
