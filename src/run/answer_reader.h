#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Reads the dialogue's answers as whitespace-delimited tokens, several to a
// line allowed. A token must be wholly the expected kind: a finite double, or a
// base-10 integer within the 32-bit range. Every read fails at end of input.
struct AnswerReader {
    std::FILE* input;
};

// Longest token kept; longer ones are consumed whole and reported too long.
constexpr std::size_t maxTokenLength = 4096;

enum class TokenStatus { ok, endOfInput, tooLong };

TokenStatus readToken(AnswerReader& reader, std::string& token);
bool readDoubleAnswer(AnswerReader& reader, double& value);
bool readIntegerAnswer(AnswerReader& reader, std::int32_t& value);

// Parsers of one whole token, shared with the tests.
bool parseDoubleToken(const std::string& token, double& value);
bool parseIntegerToken(const std::string& token, std::int32_t& value);
