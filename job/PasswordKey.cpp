// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 The Quibex Crypto team

#include "job/PasswordKey.h"

#include "cipher/SecureWipe.h"
#include "cipher/Windows1252.h"
#include "job/JobView.h"

namespace quibex {

std::optional<QByteArray> passwordToKey(const QString& password)
{
    const auto codes = encodeWindows1252(std::u16string_view(
        reinterpret_cast<const char16_t*>(password.utf16()), std::size_t(password.size())));
    if (!codes) {
        return std::nullopt;
    }
    return QByteArray(reinterpret_cast<const char*>(codes->data()), qsizetype(codes->size()));
}

QString unsupportedPasswordMessage()
{
    return texts::text(texts::UnsupportedPassword);
}

void JobViewExpansionObserver::showStep(int percent)
{
    m_view.setStatus(texts::text(texts::ExpansionStatus));
    m_view.showProgress(percent);
}

void JobViewExpansionObserver::setExtension(std::span<const std::uint8_t> extension)
{
    const std::u16string text = decodeWindows1252(extension);
    m_showExtension(QString::fromUtf16(text.data(), qsizetype(text.size())));
}

void JobViewExpansionObserver::yield()
{
    m_view.yield();
}

namespace {

QByteArray expanded(const QByteArray& passwordCodes, ExpansionObserver* observer)
{
    ExpandedKey key =
        expandKey(std::span(reinterpret_cast<const std::uint8_t*>(passwordCodes.constData()),
                            std::size_t(passwordCodes.size())),
                  observer);
    QByteArray bytes(reinterpret_cast<const char*>(key.data()), qsizetype(key.size()));
    secureWipe(key);
    return bytes;
}

} // namespace

QByteArray expandKeyOnView(JobView& view, const QByteArray& passwordCodes,
                           const JobViewExpansionObserver::ExtensionShown& showExtension)
{
    JobViewExpansionObserver observer(view, showExtension);
    return expanded(passwordCodes, &observer);
}

QByteArray expandKeySilently(const QByteArray& passwordCodes)
{
    return expanded(passwordCodes, nullptr);
}

void wipeSecret(QByteArray& secret)
{
    // In place, not through data(): a shared copy would be detached, and the
    // bytes would stay where they were. Bytes the array does not own (a
    // literal, raw data) are not a password typed at run time.
    if (secret.data_ptr().isMutable()) {
        secureWipe(const_cast<char*>(secret.constData()), std::size_t(secret.size()));
    }
    secret.clear();
}

} // namespace quibex
