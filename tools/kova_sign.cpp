// Makes the key pair that signs published agents and signs them. The agent trusts the public key it was
// built with (KOVA_UPDATE_KEYS) and installs a download only beside a matching FILE.sig.
#include <sodium.h>

#include <cstdio>
#include <optional>
#include <QByteArray>
#include <QFile>
#include <QStringList>

namespace {

const char* const kUsage =
    "Usage:\n"
    "  kova_sign keygen KEYFILE     new key pair: the private key into KEYFILE (which must not\n"
    "                               exist; readable by its owner only), the public key in hex\n"
    "                               on standard output\n"
    "  kova_sign public KEYFILE     the public key of KEYFILE, in hex\n"
    "  kova_sign sign KEYFILE FILE  writes FILE.sig, the 64-byte Ed25519 signature of FILE\n";

struct KeyPair {
    QByteArray publicKey{crypto_sign_PUBLICKEYBYTES, '\0'};
    QByteArray secretKey{crypto_sign_SECRETKEYBYTES, '\0'};
};

int fail(const QString& message) {
    std::fprintf(stderr, "kova_sign: %s\n", qPrintable(message));
    return 1;
}

uchar* bytes(QByteArray& array) {
    return reinterpret_cast<uchar*>(array.data());
}

// The key file holds the 32-byte seed in hex; the pair follows from it.
KeyPair pairFromSeed(QByteArray seed) {
    KeyPair pair;
    crypto_sign_seed_keypair(bytes(pair.publicKey), bytes(pair.secretKey), bytes(seed));
    sodium_memzero(seed.data(), size_t(seed.size()));
    return pair;
}

std::optional<KeyPair> readKeyFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1 (%2)").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray seed = QByteArray::fromHex(file.readAll().trimmed());
    if (seed.size() != crypto_sign_SEEDBYTES) {
        *error = QStringLiteral("%1 holds no key made by kova_sign keygen").arg(path);
        return std::nullopt;
    }
    return pairFromSeed(seed);
}

int keygen(const QString& path) {
    QByteArray seed(crypto_sign_SEEDBYTES, '\0');
    randombytes_buf(seed.data(), size_t(seed.size()));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(seed.toHex() + '\n') < 0 || !file.flush())
        return fail(QStringLiteral("cannot write a new key file %1 (%2)").arg(path, file.errorString()));
    std::printf("%s\n", pairFromSeed(seed).publicKey.toHex().constData());
    return 0;
}

int printPublic(const QString& path) {
    QString error;
    const auto pair = readKeyFile(path, &error);
    if (!pair)
        return fail(error);
    std::printf("%s\n", pair->publicKey.toHex().constData());
    return 0;
}

int sign(const QString& keyPath, const QString& path) {
    QString error;
    auto pair = readKeyFile(keyPath, &error);
    if (!pair)
        return fail(error);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1 (%2)").arg(path, file.errorString()));
    const uchar* data = file.size() == 0 ? reinterpret_cast<const uchar*>("") : file.map(0, file.size());
    if (!data)
        return fail(QStringLiteral("cannot read %1 (%2)").arg(path, file.errorString()));
    QByteArray signature(crypto_sign_BYTES, '\0');
    crypto_sign_detached(bytes(signature), nullptr, data, quint64(file.size()), bytes(pair->secretKey));
    sodium_memzero(pair->secretKey.data(), size_t(pair->secretKey.size()));
    QFile out(path + QStringLiteral(".sig"));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(signature) != signature.size() ||
        !out.flush())
        return fail(QStringLiteral("cannot write %1 (%2)").arg(out.fileName(), out.errorString()));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (sodium_init() < 0)
        return fail(QStringLiteral("libsodium cannot start"));
    const QString command = arguments.value(0);
    if (command == QLatin1String("keygen") && arguments.size() == 2)
        return keygen(arguments[1]);
    if (command == QLatin1String("public") && arguments.size() == 2)
        return printPublic(arguments[1]);
    if (command == QLatin1String("sign") && arguments.size() == 3)
        return sign(arguments[1], arguments[2]);
    std::fputs(kUsage, command == QLatin1String("--help") ? stdout : stderr);
    return command == QLatin1String("--help") ? 0 : 2;
}
