// A small, deterministic zlib compressor: greedy LZ77 matching with hash
// chains, coded with deflate's fixed Huffman codes in a single block.

#include "formats.hpp"

#include <array>

namespace velmo::paint {

namespace {

class BitWriter {
public:
    explicit BitWriter(Bytes& out) : out_(out) {}

    // Writes the low n bits of v, least significant first.
    void bits(std::uint32_t v, int n)
    {
        for (int i = 0; i < n; ++i) {
            acc_ |= ((v >> i) & 1u) << fill_;
            if (++fill_ == 8) {
                flush();
            }
        }
    }

    // Writes an n-bit Huffman code, most significant bit first.
    void code(std::uint32_t c, int n)
    {
        for (int i = n - 1; i >= 0; --i) {
            bits((c >> i) & 1u, 1);
        }
    }

    void finish()
    {
        if (fill_ > 0) {
            flush();
        }
    }

private:
    void flush()
    {
        out_.push_back(static_cast<std::uint8_t>(acc_));
        acc_ = 0;
        fill_ = 0;
    }

    Bytes& out_;
    std::uint32_t acc_ = 0;
    int fill_ = 0;
};

void literalOrLength(BitWriter& w, int symbol)
{
    if (symbol < 144) {
        w.code(0x30u + static_cast<std::uint32_t>(symbol), 8);
    } else if (symbol < 256) {
        w.code(0x190u + static_cast<std::uint32_t>(symbol - 144), 9);
    } else if (symbol < 280) {
        w.code(static_cast<std::uint32_t>(symbol - 256), 7);
    } else {
        w.code(0xC0u + static_cast<std::uint32_t>(symbol - 280), 8);
    }
}

constexpr std::array<int, 29> kLengthBase{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase{1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void match(BitWriter& w, int length, int distance)
{
    int li = 28;
    while (kLengthBase[static_cast<std::size_t>(li)] > length) {
        --li;
    }
    literalOrLength(w, 257 + li);
    w.bits(static_cast<std::uint32_t>(length - kLengthBase[static_cast<std::size_t>(li)]),
           kLengthExtra[static_cast<std::size_t>(li)]);
    int di = 29;
    while (kDistBase[static_cast<std::size_t>(di)] > distance) {
        --di;
    }
    w.code(static_cast<std::uint32_t>(di), 5);
    w.bits(static_cast<std::uint32_t>(distance - kDistBase[static_cast<std::size_t>(di)]),
           kDistExtra[static_cast<std::size_t>(di)]);
}

} // namespace

Bytes zlibCompress(const Bytes& data)
{
    constexpr int kWindow = 32768;
    constexpr int kMinMatch = 3;
    constexpr int kMaxMatch = 258;
    constexpr int kMaxChain = 48;
    constexpr int kHashBits = 15;

    Bytes out{0x78, 0x01};
    BitWriter w(out);
    w.bits(1, 1);  // final block
    w.bits(1, 2);  // fixed Huffman codes

    const int n = static_cast<int>(data.size());
    std::vector<int> head(1u << kHashBits, -1);
    std::vector<int> prev(data.size(), -1);
    const auto hashAt = [&](int i) {
        const std::uint32_t v = (std::uint32_t(data[std::size_t(i)]) << 16) | (std::uint32_t(data[std::size_t(i) + 1]) << 8)
                                | data[std::size_t(i) + 2];
        return static_cast<std::size_t>((v * 2654435761u) >> (32 - kHashBits));
    };
    const auto insert = [&](int i) {
        if (i + kMinMatch <= n) {
            const std::size_t h = hashAt(i);
            prev[std::size_t(i)] = head[h];
            head[h] = i;
        }
    };

    int i = 0;
    while (i < n) {
        int bestLength = 0;
        int bestDistance = 0;
        if (i + kMinMatch <= n) {
            int candidate = head[hashAt(i)];
            const int limit = std::min(kMaxMatch, n - i);
            for (int chain = 0; candidate >= 0 && i - candidate <= kWindow && chain < kMaxChain; ++chain) {
                int length = 0;
                while (length < limit && data[std::size_t(candidate + length)] == data[std::size_t(i + length)]) {
                    ++length;
                }
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = i - candidate;
                    if (length == limit) {
                        break;
                    }
                }
                candidate = prev[std::size_t(candidate)];
            }
        }
        if (bestLength >= kMinMatch) {
            match(w, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k) {
                insert(i + k);
            }
            i += bestLength;
        } else {
            literalOrLength(w, data[std::size_t(i)]);
            insert(i);
            ++i;
        }
    }
    literalOrLength(w, 256);  // end of block
    w.finish();

    const std::uint32_t check = adler32(data.data(), data.size());
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>((check >> shift) & 0xFF));
    }
    return out;
}

} // namespace velmo::paint
