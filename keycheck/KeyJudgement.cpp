// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "keycheck/KeyJudgement.h"

#include "cipher/RotatingXor.h"
#include "cipher/SecureWipe.h"
#include "keycheck/MimeTypes.h"
#include "keycheck/PasswordPositions.h"
#include "keycheck/SampleEvidence.h"
#include "keycheck/StructureOf.h"
#include "keycheck/TextEvidence.h"

#include <QMimeDatabase>

#include <algorithm>
#include <span>
#include <vector>

namespace quibex::keycheck {

namespace {

// Fewer bytes than this say too little either way.
constexpr qsizetype ShortestTold = 16;
// Below this, a wrong password and a wrong mode garble a beginning alike:
// the question then names no mode.
constexpr qsizetype ShortestForMode = 256;
// What content sniffing and the statistics of bytes look at: enough for the
// content rules of common types (a tar header ends at 512, an office
// document names itself within the first entry of its archive).
constexpr qsizetype SniffedSize = qsizetype{16} * 1024;
// The head of a text type's file that must read as text.
constexpr qsizetype TextHeadSize = 1024;
// Samples, pixels and rows repeat in patterns of their own that text does
// not have: their bytes are compared across the password's characters only
// with this many at each.
constexpr qsizetype FewestRawBytesPerCharacter = 256;

class Plain
{
public:
    Plain(const QByteArray& bytes, const QByteArray& key) : m_bytes(std::size_t(bytes.size()))
    {
        RotatingXor(std::span(reinterpret_cast<const std::uint8_t*>(key.constData()),
                              std::size_t(key.size())))
            .apply(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             std::size_t(bytes.size())),
                   m_bytes);
    }
    ~Plain() { secureWipe(m_bytes); }
    Plain(const Plain&) = delete;
    Plain& operator=(const Plain&) = delete;

    std::span<const std::uint8_t> all() const { return m_bytes; }
    // The sniffed part, as Qt's MIME database and the statistics take it.
    QByteArray sniffed() const
    {
        return QByteArray::fromRawData(reinterpret_cast<const char*>(m_bytes.data()),
                                       std::min<qsizetype>(qsizetype(m_bytes.size()), SniffedSize));
    }

private:
    std::vector<std::uint8_t> m_bytes;
};

// The bytes that a format leaves unchecked, across the password's
// characters: found samples or pixels one byte of each at a time.
bool rawBytesReadAlike(const Plain& plain, const Judged& judged, const PasswordPositions& password)
{
    if (!judged.samples) {
        return readsAlikeAcrossKey(plain.sniffed(), password, FewestRawBytesPerCharacter);
    }
    const Samples& s = *judged.samples;
    // As much as the statistics of other bytes take, past the header.
    const std::span<const std::uint8_t> bytes = plain.all().first(
        std::min({s.end, plain.all().size(), s.start + std::size_t(SniffedSize)}));
    const QByteArray values = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                      qsizetype(bytes.size()));
    const bool inRows = s.row != 0 && s.row % std::size_t(password.period()) == 0;
    for (std::size_t lane = 0; lane < s.next; ++lane) {
        if (!readsAlikeAcrossKey(values, password, FewestRawBytesPerCharacter / 2,
                                 {qsizetype(s.start + lane), qsizetype(s.next), inRows})) {
            return false;
        }
    }
    return true;
}

// A wrong key over the zeros of a binary header gives the printable password
// back: text is right only where the name stands for text.
bool seemsRight(const QList<QMimeType>& types, const Plain& plain, std::uint64_t fileSize,
                const PasswordPositions& password)
{
    const QByteArray sniffed = plain.sniffed();
    if (std::any_of(types.cbegin(), types.cend(), isText) && readsAsText(sniffed, password)) {
        return true;
    }
    const QMimeType found = QMimeDatabase().mimeTypeForData(sniffed);
    if (found.isDefault()) {
        return false;
    }
    if (isText(found)) {
        // Mere text is never right for a binary type; a text type with a
        // magic of its own, the name's (PostScript with binary strings),
        // is judged by its bytes alone once its head reads as text: a
        // mistyped character garbles all but the first few bytes.
        return found.name() != QLatin1String("text/plain") &&
               readsAsText(sniffed.left(TextHeadSize), password) &&
               std::any_of(
                   types.cbegin(), types.cend(),
                   [&found](const QMimeType& type) { return found.inherits(type.name()); }) &&
               readsAlikeAcrossKey(sniffed, password, FewestRawBytesPerCharacter);
    }
    const Judged judged = structureOf(found, Beginning{plain.all(), fileSize});
    // Garbled bytes now and then start like some type's short magic: content
    // of another type than the name's counts only when its structure holds.
    const bool named = std::any_of(types.cbegin(), types.cend(), [&found](const QMimeType& type) {
        return found == type || found.inherits(type.name()) || type.inherits(found.name());
    });
    if ((!named && judged.structure != Structure::Holds) || judged.structure == Structure::Broken ||
        (judged.samples && !samplesRunAlike(plain.all(), *judged.samples, password))) {
        return false;
    }
    return !judged.rawPayload || rawBytesReadAlike(plain, judged, password);
}

} // namespace

KeyFit judgeKey(const QList<QMimeType>& types, const QByteArray& bytes, std::uint64_t fileSize,
                const QByteArray& codes, bool advanced, const QByteArray& key,
                const std::function<QByteArray()>& otherKey)
{
    if (types.isEmpty() || bytes.size() < ShortestTold) {
        return KeyFit::CannotTell;
    }
    if (seemsRight(types, Plain(bytes, key), fileSize, PasswordPositions::of(codes, advanced))) {
        return KeyFit::Fits;
    }
    if (bytes.size() < ShortestForMode) {
        return KeyFit::NeitherFits;
    }
    const QByteArray other = otherKey();
    if (other.isEmpty()) {
        return KeyFit::NeitherFits;
    }
    return seemsRight(types, Plain(bytes, other), fileSize, PasswordPositions::of(codes, !advanced))
               ? KeyFit::OtherModeFits
               : KeyFit::NeitherFits;
}

} // namespace quibex::keycheck
