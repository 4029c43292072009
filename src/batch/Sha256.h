#pragma once

#include "imaging/AtomicFile.h"

#include <QByteArray>

#include <memory>

// SHA-256 of a piece's bytes as they are written. OpenSSL's libcrypto where the build
// found it: on this project's machines it hashes about ten times faster than
// QCryptographicHash (1.7 GB/s against 160 MB/s), which alone would slow a recorded run
// by a quarter; QCryptographicHash otherwise.
class Sha256 : public imaging::ByteSink
{
public:
    Sha256();
    ~Sha256() override;
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void add(QByteArrayView bytes) override;
    // The hash of every byte added, in lower-case hex; ends the hashing.
    QByteArray hex();

private:
    struct State;
    std::unique_ptr<State> state_;
};
