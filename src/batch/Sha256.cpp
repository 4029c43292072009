#include "Sha256.h"

#ifdef QINGHE_OPENSSL_SHA256
#include <openssl/evp.h>
#else
#include <QCryptographicHash>
#endif

#ifdef QINGHE_OPENSSL_SHA256

struct Sha256::State
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context{EVP_MD_CTX_new(),
                                                                    EVP_MD_CTX_free};
    bool ok = false;
};

Sha256::Sha256() : state_(std::make_unique<State>())
{
    state_->ok = state_->context && EVP_DigestInit_ex(state_->context.get(), EVP_sha256(), nullptr);
}

void Sha256::add(QByteArrayView bytes)
{
    state_->ok =
        state_->ok && EVP_DigestUpdate(state_->context.get(), bytes.data(), size_t(bytes.size()));
}

QByteArray Sha256::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!state_->ok || !EVP_DigestFinal_ex(state_->context.get(), digest, &length))
        return {}; // no hash rather than a wrong one
    state_->ok = false;
    return QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex();
}

#else

struct Sha256::State
{
    QCryptographicHash hash{QCryptographicHash::Sha256};
};

Sha256::Sha256() : state_(std::make_unique<State>()) {}

void Sha256::add(QByteArrayView bytes)
{
    state_->hash.addData(bytes);
}

QByteArray Sha256::hex()
{
    return state_->hash.result().toHex();
}

#endif

Sha256::~Sha256() = default;
