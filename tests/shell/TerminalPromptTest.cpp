#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "shell/cli/TerminalPrompt.h"

namespace brenmark::cli {
namespace {

std::string Contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  return text;
}

// A preset answer is given without asking, a Yes to ten questions only; with
// neither a preset answer nor a terminal the answer is No.
TEST(TerminalPrompt, PresetAnswersAndNoTerminal) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TerminalPrompt presetYes(out, nullptr, true), presetNo(out, nullptr, false), noTerminal(out, nullptr, std::nullopt);
  int yes = 0;
  for (int i = 0; i < 12; ++i) {
    yes += presetYes.AskYesNo("Error writing sector 7.\nTry again?") ? 1 : 0;
    EXPECT_FALSE(presetNo.AskYesNo("Try again?"));
    EXPECT_FALSE(noTerminal.AskYesNo("Try again?"));
  }
  EXPECT_EQ(yes, TerminalPrompt::kMaxPresetYes);
  EXPECT_NE(Contents(out).find("n (--yes has answered its 10 questions)"), std::string::npos);
  std::fclose(out);
}

}  // namespace
}  // namespace brenmark::cli
