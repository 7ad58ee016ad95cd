#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/number_parse.h"

// Reads the dialogue's answers as whitespace-delimited tokens, several to a
// line allowed. A token must be wholly the expected kind: a finite double, or a
// base-10 integer within the 32-bit range. Every read fails at end of input.
struct AnswerReader {
    std::FILE* input;
    // Answers typed at a terminal: an unreadable one is asked for again. From
    // a file or a pipe it ends the run, so that an answers file never shifts
    // onto the wrong questions.
    bool atTerminal = false;
    // Whether the last token read ended its line (or the input), and the
    // character that ended it.
    bool lineEnded = true;
    char delimiter = '\n';
};

// Longest token kept; longer ones are consumed whole and reported too long.
constexpr std::size_t maxTokenLength = 4096;

enum class TokenStatus { ok, endOfInput, tooLong };

enum class AnswerStatus { ok, unreadable, endOfInput };

TokenStatus readToken(AnswerReader& reader, std::string& token);
AnswerStatus readDoubleAnswer(AnswerReader& reader, double& value);
AnswerStatus readIntegerAnswer(AnswerReader& reader, std::int32_t& value);

// Drops what is left of the line the last token stood on, so that a question
// asked again reads a fresh line.
void discardRestOfLine(AnswerReader& reader);

// What is left of the line the last token stood on, without its line feed;
// empty when the token ended its line. The line counts as ended afterwards.
std::string restOfLine(AnswerReader& reader);
