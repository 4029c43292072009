#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Reads fixed-size values off the front of a fuzzer's input; zero once it runs dry.
class FuzzInput
{
public:
    FuzzInput(const uint8_t *data, size_t size) : data_(data), size_(size) {}

    template <typename T> T take()
    {
        T value{};
        const size_t n = size_ < sizeof(T) ? size_ : sizeof(T);
        if (n > 0)
            std::memcpy(&value, data_, n);
        data_ += n;
        size_ -= n;
        return value;
    }
    const uint8_t *rest() const { return data_; }
    size_t restSize() const { return size_; }

private:
    const uint8_t *data_;
    size_t size_;
};
