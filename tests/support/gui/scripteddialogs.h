#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/dialogs.h"

// Answers the dialogs in the user's place while it lives, and records what was shown.
// A dialog with no scripted answer is answered as the user who presses OK on a message
// box and cancels any other dialog would.
class TScriptedDialogs : public IDialogSeam
{
public:
    TScriptedDialogs() { SetDialogSeam(this); }
    ~TScriptedDialogs() override { SetDialogSeam(nullptr); }
    TScriptedDialogs(const TScriptedDialogs &) = delete;
    TScriptedDialogs &operator=(const TScriptedDialogs &) = delete;

    std::deque<int> MessageAnswers;
    std::deque<std::optional<TFont>> FontAnswers;
    std::deque<std::optional<std::string>> SaveAnswers;

    std::vector<TMessageBoxRequest> Messages;
    std::vector<TFont> FontsShown;
    std::vector<TSaveFileRequest> SaveRequests;

    int MessageBox(const TMessageBoxRequest &request) override
    {
        Messages.push_back(request);
        return Take(MessageAnswers, IDOK);
    }

    bool ChooseFont(TFont &font, const TFontRequest &) override
    {
        FontsShown.push_back(font);
        const auto answer = Take(FontAnswers, std::optional<TFont>());
        if (answer)
            font = *answer;
        return answer.has_value();
    }

    std::optional<std::string> ChooseSaveFile(const TSaveFileRequest &request) override
    {
        SaveRequests.push_back(request);
        return Take(SaveAnswers, std::optional<std::string>());
    }

private:
    template <typename T> static T Take(std::deque<T> &answers, T fallback)
    {
        if (answers.empty())
            return fallback;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
