#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "tests/support/gui/scripteddialogs.h"

// Scripted dialogs that also answer the print dialog: each answer is a printer choice,
// or nothing for a cancel.
class TScriptedPrintDialogs : public TScriptedDialogs
{
public:
    std::deque<std::optional<TPrinterChoice>> PrintAnswers;
    std::vector<TPrintRequest> PrintRequests;

    std::optional<TPrinterChoice> ChoosePrinter(const TPrintRequest &request) override
    {
        PrintRequests.push_back(request);
        if (PrintAnswers.empty())
            return std::nullopt;
        auto answer = PrintAnswers.front();
        PrintAnswers.pop_front();
        return answer;
    }
};
