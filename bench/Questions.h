// What a bench does about the program's questions: each is answered with its default, and one
// asked where none should be (a catalogue refused, a start-up box) fails the bench.
#pragma once
#include <cstdio>
#include "Dialogs.h"

// True when the program has asked nothing since the answers were made; else prints each question.
inline bool NothingAsked(const TModalAnswers& answers, const char* when) {
  for (const TModalRequest& r : answers.Asked())
    std::fprintf(stderr, "%s, the program asked: %s: %s\n", when, r.Caption.c_str(),
                 r.Text.c_str());
  return answers.Asked().empty();
}
