#include "run/answer_reader.h"

#include <cctype>

TokenStatus readToken(AnswerReader& reader, std::string& token) {
    token.clear();
    int c = std::getc(reader.input);
    while (c != EOF && std::isspace(c)) c = std::getc(reader.input);
    if (c == EOF) return TokenStatus::endOfInput;
    bool tooLong = false;
    while (c != EOF && !std::isspace(c)) {
        if (token.size() < maxTokenLength) {
            token.push_back(static_cast<char>(c));
        } else {
            tooLong = true;
        }
        c = std::getc(reader.input);
    }
    // The delimiter that ended the token is left consumed, as a scanf would
    // leave it for the next conversion to skip.
    reader.lineEnded = c == EOF || c == '\n';
    reader.delimiter = c == EOF ? '\n' : static_cast<char>(c);
    return tooLong ? TokenStatus::tooLong : TokenStatus::ok;
}

namespace {

// `parsed`: the token was read whole and is the expected kind.
AnswerStatus statusOf(TokenStatus read, bool parsed) {
    if (read == TokenStatus::endOfInput) return AnswerStatus::endOfInput;
    return parsed ? AnswerStatus::ok : AnswerStatus::unreadable;
}

}  // namespace

AnswerStatus readDoubleAnswer(AnswerReader& reader, double& value) {
    std::string token;
    const TokenStatus read = readToken(reader, token);
    return statusOf(read, read == TokenStatus::ok && parseDoubleToken(token, value));
}

AnswerStatus readIntegerAnswer(AnswerReader& reader, std::int32_t& value) {
    std::string token;
    const TokenStatus read = readToken(reader, token);
    return statusOf(read, read == TokenStatus::ok && parseIntegerToken(token, value));
}

void discardRestOfLine(AnswerReader& reader) {
    int c = reader.lineEnded ? '\n' : std::getc(reader.input);
    while (c != EOF && c != '\n') c = std::getc(reader.input);
    reader.lineEnded = true;
}

std::string restOfLine(AnswerReader& reader) {
    std::string rest;
    if (reader.lineEnded) return rest;
    for (int c = std::getc(reader.input); c != EOF && c != '\n'; c = std::getc(reader.input)) {
        rest.push_back(static_cast<char>(c));
    }
    reader.lineEnded = true;
    return rest;
}
