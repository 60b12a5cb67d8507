#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
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

// A stop asked for with Ctrl+C is asked on the terminal like any question
// (an n re-arms Ctrl+C); with a preset answer, or nobody to ask, the Ctrl+C
// itself is the answer.
TEST(TerminalPrompt, AStopIsAskedOnlyWhereSomeoneCanAnswer) {
  struct Case {
    std::optional<bool> preset;
    const char* typed;  // on the terminal; null without one
    bool stops;
  };
  for (const Case& c : {Case{false, nullptr, true}, Case{std::nullopt, nullptr, true}, Case{false, "n\n", true},
                        Case{std::nullopt, "n\n", false}}) {
    std::FILE* out = std::tmpfile();
    std::FILE* terminal = c.typed ? std::tmpfile() : nullptr;
    if (terminal) {
      std::fputs(c.typed, terminal);
      std::rewind(terminal);
    }
    TerminalPrompt prompt(out, terminal, c.preset);
    int declined = 0;
    prompt.SetOnStopDeclined([&declined] { ++declined; });
    EXPECT_EQ(prompt.AskToStop("Stop the burn?"), c.stops) << (c.typed ? c.typed : "");
    EXPECT_EQ(declined, c.stops ? 0 : 1);
    EXPECT_EQ(Contents(out).rfind("[Question] Stop the burn? [y/n] ", 0), 0u);
    if (terminal) std::fclose(terminal);
    std::fclose(out);
  }
}

}  // namespace
}  // namespace brenmark::cli
