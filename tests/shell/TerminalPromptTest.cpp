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

TEST(TerminalPrompt, APresetYesAnswersTenQuestionsThenNo) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TerminalPrompt prompt(out, nullptr, true);
  int yes = 0;
  for (int i = 0; i < 12; ++i) yes += prompt.AskYesNo("Error writing sector 7.\nTry again?") ? 1 : 0;
  EXPECT_EQ(yes, TerminalPrompt::kMaxPresetYes);
  EXPECT_NE(Contents(out).find("n (--yes has answered its 10 questions)"), std::string::npos);
  std::fclose(out);
}

TEST(TerminalPrompt, APresetNoAndNoTerminalAnswerNoEveryTime) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  TerminalPrompt presetNo(out, nullptr, false);
  TerminalPrompt noTerminal(out, nullptr, std::nullopt);
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(presetNo.AskYesNo("Try again?"));
    EXPECT_FALSE(noTerminal.AskYesNo("Try again?"));
  }
  std::fclose(out);
}

}  // namespace
}  // namespace brenmark::cli
