// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/Formats.h"
#include "keycheck/Inflate.h"

#include <zlib.h>

#include <algorithm>
#include <optional>
#include <string_view>

namespace quibex::keycheck {

namespace {

// How far before the end a stream's length gives "endstream" may start.
constexpr std::size_t SlackBefore = 16;

// A stream that decoded this far without fault proves the key by itself.
constexpr std::size_t ConvincingStretch = 256;

bool isWhite(std::uint8_t c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0;
}

bool isDelimiter(std::uint8_t c)
{
    return std::string_view("()<>[]{}/%").find(char(c)) != std::string_view::npos;
}

bool isDigit(std::uint8_t c)
{
    return c >= '0' && c <= '9';
}

bool isHexDigit(std::uint8_t c)
{
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// What the walk found so far: a fault, and whether anything was verified.
struct Tally
{
    bool broken = false;
    bool verified = false;
};

class Document
{
public:
    explicit Document(const Beginning& file) : m_file(file), m_text(asText(file.bytes)) {}

    Structure judge();

private:
    static std::string_view asText(std::span<const std::uint8_t> bytes)
    {
        return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
    }

    bool isTokenAt(std::size_t at, std::string_view word) const;
    std::size_t findToken(std::string_view word, std::size_t from,
                          std::size_t to = std::string_view::npos) const;
    std::optional<std::uint64_t> numberAt(std::size_t at, std::size_t& end) const;
    bool isObjectHeaderAt(std::size_t at, std::uint64_t number, std::uint64_t generation) const;
    std::size_t skipComment(std::size_t at) const;
    std::size_t skipString(std::size_t at) const;
    std::size_t skipAngled(std::size_t at);
    std::size_t judgeWord(std::size_t at);
    void judgeKeyword(std::string_view word, std::size_t at, std::size_t& next);
    void close(int& depth);

    std::size_t judgeStream(std::string_view dictionary, std::size_t keyword);
    std::size_t judgeFlate(std::size_t dataStart, std::optional<std::uint64_t> length);
    void judgeXref(std::size_t at);
    bool hasSoundHeader() const;

    const Beginning& m_file;
    std::string_view m_text;
    InflateBudget m_budget;
    bool m_encrypted = false;
    Tally m_tally;
    // Nesting of the object being read, and where its body began.
    int m_dictionaries = 0;
    int m_arrays = 0;
    std::size_t m_body = 0;
    // Whether the last two words were integers: an object's numbers.
    bool m_integers[2] = {false, false};
    bool m_afterEnd = false;
};

bool Document::isTokenAt(std::size_t at, std::string_view word) const
{
    if (m_text.substr(at, word.size()) != word) {
        return false;
    }
    const std::size_t end = at + word.size();
    // A name starts with its own delimiter.
    const bool startsClean = at == 0 || word.front() == '/' ||
                             isWhite(std::uint8_t(m_text[at - 1])) ||
                             isDelimiter(std::uint8_t(m_text[at - 1]));
    const bool endsClean = end >= m_text.size() || isWhite(std::uint8_t(m_text[end])) ||
                           isDelimiter(std::uint8_t(m_text[end]));
    return startsClean && endsClean;
}

// The first whole-word occurrence within [from, to), or npos.
std::size_t Document::findToken(std::string_view word, std::size_t from, std::size_t to) const
{
    const std::string_view domain = m_text.substr(0, std::min(to, m_text.size()));
    for (std::size_t at = domain.find(word, from); at != std::string_view::npos;
         at = domain.find(word, at + 1)) {
        if (isTokenAt(at, word)) {
            return at;
        }
    }
    return std::string_view::npos;
}

std::optional<std::uint64_t> Document::numberAt(std::size_t at, std::size_t& end) const
{
    std::uint64_t value = 0;
    end = at;
    while (end < m_text.size() && isDigit(std::uint8_t(m_text[end])) && end - at < 19) {
        value = value * 10 + std::uint64_t(m_text[end] - '0');
        ++end;
    }
    if (end == at) {
        return std::nullopt;
    }
    return value;
}

// Whether "N G obj" starts at an offset, or after whitespace there.
bool Document::isObjectHeaderAt(std::size_t at, std::uint64_t number,
                                std::uint64_t generation) const
{
    while (at < m_text.size() && isWhite(std::uint8_t(m_text[at]))) {
        ++at;
    }
    std::size_t end = at;
    if (numberAt(at, end) != number || end >= m_text.size() ||
        !isWhite(std::uint8_t(m_text[end]))) {
        return false;
    }
    while (end < m_text.size() && isWhite(std::uint8_t(m_text[end]))) {
        ++end;
    }
    at = end;
    if (numberAt(at, end) != generation) {
        return false;
    }
    while (end < m_text.size() && isWhite(std::uint8_t(m_text[end]))) {
        ++end;
    }
    return m_text.substr(end, 3) == "obj";
}

// The value of a key in a dictionary's text; the dictionary's own keys come
// before nested ones in the producers we meet, so the first match is taken.
std::string_view valueOf(std::string_view dictionary, std::string_view key)
{
    for (std::size_t at = dictionary.find(key); at != std::string_view::npos;
         at = dictionary.find(key, at + 1)) {
        const std::size_t end = at + key.size();
        if (end < dictionary.size() && (isWhite(std::uint8_t(dictionary[end])) ||
                                        isDelimiter(std::uint8_t(dictionary[end])))) {
            std::size_t from = end;
            while (from < dictionary.size() && isWhite(std::uint8_t(dictionary[from]))) {
                ++from;
            }
            return dictionary.substr(from);
        }
    }
    return {};
}

// A direct length: digits not followed by "G R" (an indirect reference).
std::optional<std::uint64_t> directLength(std::string_view value)
{
    std::size_t end = 0;
    std::uint64_t length = 0;
    while (end < value.size() && isDigit(std::uint8_t(value[end])) && end < 19) {
        length = length * 10 + std::uint64_t(value[end] - '0');
        ++end;
    }
    if (end == 0) {
        return std::nullopt;
    }
    std::size_t next = end;
    while (next < value.size() && isWhite(std::uint8_t(value[next]))) {
        ++next;
    }
    if (next < value.size() && isDigit(std::uint8_t(value[next]))) {
        return std::nullopt;
    }
    return length;
}

// Whether deflate is the stream's first (or only) filter.
bool isFlateFirst(std::string_view filter)
{
    if (!filter.empty() && filter.front() == '[') {
        filter.remove_prefix(1);
        while (!filter.empty() && isWhite(std::uint8_t(filter.front()))) {
            filter.remove_prefix(1);
        }
    }
    constexpr std::string_view Flate = "/FlateDecode";
    return filter.substr(0, Flate.size()) == Flate &&
           (filter.size() == Flate.size() || isWhite(std::uint8_t(filter[Flate.size()])) ||
            isDelimiter(std::uint8_t(filter[Flate.size()])));
}

// The zlib header every producer we know writes: a 32 KiB window, no preset
// dictionary. Data that does not start so may be encrypted or raw deflate,
// which we leave unjudged.
bool hasUsualZlibHeader(std::span<const std::uint8_t> data)
{
    if (data.size() < 2 || data[0] != 0x78) {
        return false;
    }
    const unsigned header = unsigned(data[0]) << 8 | data[1];
    return header % 31 == 0 && (data[1] & 0x20) == 0;
}

// Inflates a deflated stream as far as the bytes and the budget allow; one
// given whole must end within its length, its Adler-32 matching when present.
std::size_t Document::judgeFlate(std::size_t dataStart, std::optional<std::uint64_t> length)
{
    const auto rest = m_file.bytes.subspan(std::min(dataStart, m_file.bytes.size()));
    const bool whole = length && *length <= rest.size();
    const auto stream = whole ? rest.first(std::size_t(*length)) : rest;
    if (!hasUsualZlibHeader(stream) || m_budget.spent()) {
        return dataStart;
    }
    const auto body = stream.subspan(2);
    const auto taken = body.first(std::min(body.size(), m_budget.input));
    const auto inflated = inflatePrefix(taken, -MAX_WBITS, m_budget.output, Checksum::Adler32);
    m_budget.spend(inflated);
    switch (inflated.status) {
    case InflateStatus::Failed:
        m_tally.broken = true;
        return dataStart;
    case InflateStatus::Cut:
        m_tally.broken = whole && taken.size() == body.size();
        [[fallthrough]];
    case InflateStatus::Capped:
        m_tally.verified = m_tally.verified || inflated.consumed >= ConvincingStretch;
        return dataStart;
    case InflateStatus::Ended:
        break;
    }
    const ByteReader reader(body);
    const auto adler = reader.be32(inflated.consumed);
    if (adler && *adler != inflated.checksum) {
        m_tally.broken = true;
        return dataStart;
    }
    // Some producers drop the Adler-32 when the stream ends at its length.
    if (!adler && !(whole || m_file.isWhole())) {
        return dataStart;
    }
    m_tally.verified = true;
    return dataStart + 2 + inflated.consumed;
}

std::size_t Document::judgeStream(std::string_view dictionary, std::size_t keyword)
{
    std::size_t dataStart = keyword + 6;
    if (m_text.substr(dataStart, 2) == "\r\n") {
        dataStart += 2;
    } else if (dataStart < m_text.size() &&
               (m_text[dataStart] == '\n' || m_text[dataStart] == '\r')) {
        dataStart += 1;
    }
    const auto length = directLength(valueOf(dictionary, "/Length"));
    if (length && *length > m_file.fileSize - std::min<std::uint64_t>(dataStart, m_file.fileSize)) {
        m_tally.broken = true;
        return dataStart;
    }
    std::size_t searchFrom = dataStart;
    if (!m_encrypted && isFlateFirst(valueOf(dictionary, "/Filter"))) {
        searchFrom = judgeFlate(dataStart, length);
    }
    if (length && dataStart + *length <= m_text.size()) {
        // Lengths a few bytes too long are met; "endstream" just before the
        // end they give is taken.
        const std::size_t lengthEnd = dataStart + std::size_t(*length);
        searchFrom =
            std::max(searchFrom, std::max(dataStart, lengthEnd - std::min(lengthEnd, SlackBefore)));
    }
    const std::size_t end = std::min(m_text.find("endstream", searchFrom), m_text.size());
    // Lengths too short are met too, but never one that reaches over an
    // object: there the marker was garbled and the next stream's was found.
    m_tally.broken = findToken("obj", searchFrom, end) != std::string_view::npos ||
                     (end == m_text.size() && m_file.isWhole());
    return std::min(end + 9, m_text.size());
}

// A cross-reference section: each in-use entry whose offset lies within the
// bytes must point at the header of the object it numbers. Incremental
// updates and linearized files have several sections, each right of its own.
void Document::judgeXref(std::size_t at)
{
    std::size_t pos = at + 4;
    const auto skipWhite = [&] {
        while (pos < m_text.size() && isWhite(std::uint8_t(m_text[pos]))) {
            ++pos;
        }
    };
    for (;;) {
        skipWhite();
        std::size_t end = pos;
        const auto first = numberAt(pos, end);
        pos = end;
        skipWhite();
        const auto count = numberAt(pos, end);
        if (!first || !count) {
            return;
        }
        pos = end;
        for (std::uint64_t i = 0; i < *count; ++i) {
            skipWhite();
            const auto offset = numberAt(pos, end);
            pos = end;
            skipWhite();
            const auto generation = numberAt(pos, end);
            pos = end;
            skipWhite();
            if (!offset || !generation || pos >= m_text.size()) {
                return;
            }
            const char kind = m_text[pos++];
            if (kind == 'n' && *offset < m_text.size()) {
                if (!isObjectHeaderAt(std::size_t(*offset), *first + i, *generation)) {
                    m_tally.broken = true;
                    return;
                }
                m_tally.verified = true;
            } else if (kind != 'n' && kind != 'f') {
                return;
            }
        }
    }
}

// "%PDF-1.x" or "%PDF-2.x".
bool Document::hasSoundHeader() const
{
    if (m_text.size() < 8) {
        return true;
    }
    return (m_text[5] == '1' || m_text[5] == '2') && m_text[6] == '.' &&
           isDigit(std::uint8_t(m_text[7]));
}

std::size_t Document::skipComment(std::size_t at) const
{
    const std::size_t end = m_text.find_first_of("\r\n", at);
    return end == std::string_view::npos ? m_text.size() : end;
}

// A literal string: parentheses balance unless escaped.
std::size_t Document::skipString(std::size_t at) const
{
    int depth = 0;
    for (; at < m_text.size(); ++at) {
        const char c = m_text[at];
        if (c == '\\') {
            ++at;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return at + 1;
        }
    }
    return m_text.size();
}

// A dictionary's opening, or a hex string: hex digits and whitespace only.
std::size_t Document::skipAngled(std::size_t at)
{
    if (m_text.substr(at, 2) == "<<") {
        ++m_dictionaries;
        return at + 2;
    }
    for (++at; at < m_text.size() && m_text[at] != '>'; ++at) {
        const auto c = std::uint8_t(m_text[at]);
        if (!isWhite(c) && !isHexDigit(c)) {
            m_tally.broken = true;
            return at;
        }
    }
    return std::min(at + 1, m_text.size());
}

void Document::close(int& depth)
{
    m_tally.broken = m_tally.broken || depth == 0;
    --depth;
}

// Numbers as producers print them, including the odd "--5", "1e-05" or
// "1.#QNAN" some write and readers accept.
bool isNumberWord(std::string_view word)
{
    const std::string_view digits = word.substr(0, word.find('#'));
    const bool leadsLikeNumber =
        !digits.empty() &&
        std::string_view("0123456789+-.").find(digits.front()) != std::string_view::npos;
    return leadsLikeNumber &&
           digits.find_first_not_of("0123456789+-.eE") == std::string_view::npos &&
           digits.find_first_of("0123456789") != std::string_view::npos;
}

bool isIntegerWord(std::string_view word)
{
    return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}

bool isKnownKeyword(std::string_view word)
{
    for (std::string_view known : {"obj", "endobj", "stream", "endstream", "R", "true", "false",
                                   "null", "xref", "trailer", "startxref", "n", "f"}) {
        if (word == known) {
            return true;
        }
    }
    return false;
}

void Document::judgeKeyword(std::string_view word, std::size_t at, std::size_t& next)
{
    const bool opensObject = word == "obj";
    if (opensObject || word == "endobj" || word == "stream") {
        // Objects neither nest nor leave a dictionary or an array open.
        m_tally.broken = m_dictionaries != 0 || m_arrays != 0;
    }
    if (opensObject) {
        m_tally.broken = m_tally.broken || !m_integers[0] || !m_integers[1];
        m_body = next;
    } else if (word == "stream") {
        next = judgeStream(m_text.substr(m_body, at - m_body), at);
    } else if (word == "xref") {
        judgeXref(at);
    }
}

// A bare word: a number, a name, or one of the few keywords of the syntax.
std::size_t Document::judgeWord(std::size_t at)
{
    std::size_t end = at + 1;
    while (end < m_text.size() && !isWhite(std::uint8_t(m_text[end])) &&
           !isDelimiter(std::uint8_t(m_text[end]))) {
        ++end;
    }
    const std::string_view word = m_text.substr(at, end - at);
    if (end == m_text.size() && !m_file.isWhole()) {
        // Cut by the bytes' end: the rest of the word is unknown.
        return end;
    }
    const bool isName = word.front() == '/';
    if (!isName && !isNumberWord(word) && !isKnownKeyword(word)) {
        m_tally.broken = true;
        return end;
    }
    if (!isName) {
        judgeKeyword(word, at, end);
    }
    m_integers[0] = m_integers[1];
    m_integers[1] = isIntegerWord(word);
    return end;
}

// Walks the file's syntax outside the streams' data: every word must be one
// the syntax knows, every object's header must be two integers and "obj",
// and the streams must decode.
Structure Document::judge()
{
    if (!hasSoundHeader()) {
        return Structure::Broken;
    }
    // Encrypted streams are random to us; only the structure can be judged.
    m_encrypted = findToken("/Encrypt", 0) != std::string_view::npos;
    std::size_t at = 0;
    while (!m_tally.broken && at < m_text.size()) {
        const auto c = std::uint8_t(m_text[at]);
        if (isWhite(c)) {
            ++at;
        } else if (c == '%') {
            const std::size_t end = skipComment(at);
            m_afterEnd = m_text.substr(at, end - at).starts_with("%%EOF");
            at = end;
            continue;
        } else if (m_afterEnd && !isDigit(c) && c != 'x') {
            // Not another update after the end marker: trailing data, left
            // unjudged as readers ignore it.
            break;
        } else if (c == '(') {
            at = skipString(at);
        } else if (c == '<') {
            at = skipAngled(at);
        } else if (c == '>') {
            if (at + 1 == m_text.size() && !m_file.isWhole()) {
                break;
            }
            m_tally.broken = m_text.substr(at, 2) != ">>";
            close(m_dictionaries);
            at += 2;
        } else if (c == '[' || c == ']') {
            c == '[' ? void(++m_arrays) : close(m_arrays);
            ++at;
        } else if (c == ')' || c == '{' || c == '}') {
            m_tally.broken = true;
        } else {
            at = judgeWord(at);
        }
        m_afterEnd = m_afterEnd && isWhite(c);
    }
    if (m_tally.broken) {
        return Structure::Broken;
    }
    return m_tally.verified ? Structure::Holds : Structure::Unknown;
}

} // namespace

Structure judgePdf(const Beginning& file)
{
    return Document(file).judge();
}

} // namespace quibex::keycheck
