#pragma once

#include <memory>
#include <string>

#include <QString>

#include <gtest/gtest.h>

#include "platform/ui/richedit.h"
#include "richprint/richprint.h"
#include "tests/support/temptree.h"

// Each test starts with no printer and the C locale, and leaves no printer installed.
class TPrintTest : public ::testing::Test
{
protected:
    TPrintTest();
    ~TPrintTest() override;

    // Makes a PDF file in the test's folder the current printer; answers its path.
    std::string UsePdf(const std::string &name = "out.pdf");
    // The main window's design values.
    static void ApplyWindowDesign(TRichPrinter &printer);
    // A view holding `count` paragraphs "Line 00001", "Line 00002", ...
    void FillLines(int count);

    TTempTree m_dir;
    TRichEdit m_view;
};

// A millimetre on a page read back by pdftotext, whose boxes are in points.
constexpr double PointsPerMm = 72.0 / 25.4;
