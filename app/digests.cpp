// SPDX-License-Identifier: MIT
#include "digests.h"

#include <QCryptographicHash>
#include <QFile>
#include <QMessageAuthenticationCode>

namespace tagwright::app {
namespace {

constexpr char kFingerprintLabel[] = "Tagwright key fingerprint 1:";
constexpr qsizetype kFingerprintDigits = 4;

std::string Hex(const QByteArray& digest) {
    return digest.toHex().toStdString();
}

}  // namespace

std::string Sha256Hex(std::span<const std::uint8_t> bytes) {
    return Hex(QCryptographicHash::hash(
        QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())),
        QCryptographicHash::Sha256));
}

std::optional<std::string> FileSha256(const std::filesystem::path& file) {
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly)) return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&in)) return std::nullopt;
    return Hex(hash.result());
}

std::string KeyFingerprint(const tag::Key& key, std::string_view secret) {
    QByteArray message(kFingerprintLabel, qsizetype(sizeof kFingerprintLabel - 1));
    message.append(reinterpret_cast<const char*>(key.data()), qsizetype(key.size()));
    const QByteArray mac = QMessageAuthenticationCode::hash(
        message, QByteArray(secret.data(), qsizetype(secret.size())), QCryptographicHash::Sha256);
    return Hex(mac.left(kFingerprintDigits / 2));
}

}  // namespace tagwright::app
