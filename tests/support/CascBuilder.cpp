#include "support/CascBuilder.h"

#include "StandinGameData.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <zlib.h>

namespace orv::test {
namespace {

using casc::Key;

void PutBE(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void PutLE(std::vector<std::uint8_t>& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

std::vector<std::uint8_t> Deflate(const std::uint8_t* data, std::size_t size) {
    uLongf length = compressBound(static_cast<uLong>(size));
    std::vector<std::uint8_t> out(length);
    if (compress2(out.data(), &length, data, static_cast<uLong>(size), 6) != Z_OK) {
        throw std::runtime_error("zlib failed");
    }
    out.resize(length);
    return out;
}

std::vector<std::uint8_t> Block(const std::uint8_t* data, std::size_t size, bool zlib) {
    std::vector<std::uint8_t> block{static_cast<std::uint8_t>(zlib ? 'Z' : 'N')};
    if (zlib) {
        const auto packed = Deflate(data, size);
        block.insert(block.end(), packed.begin(), packed.end());
    } else {
        block.insert(block.end(), data, data + size);
    }
    return block;
}

std::string Hex(const Key& key) {
    return casc::KeyText(key);
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

casc::Key FakeKey(const std::vector<std::uint8_t>& bytes, std::uint64_t seed) {
    if (bytes.empty() && seed == 0) {
        return {0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04,
                0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};
    }
    Key key{};
    for (int half = 0; half < 2; ++half) {
        std::uint64_t h =
            1469598103934665603ull ^ (seed * 0x9E3779B97F4A7C15ull) ^ static_cast<std::uint64_t>(half);
        for (std::uint8_t b : bytes) {
            h = (h ^ b) * 1099511628211ull;
        }
        h ^= bytes.size();
        h *= 0xff51afd7ed558ccdull;
        h ^= h >> 33;
        for (int i = 0; i < 8; ++i) {
            key[static_cast<std::size_t>(half * 8 + i)] = static_cast<std::uint8_t>(h >> (8 * i));
        }
    }
    return key;
}

std::vector<std::uint8_t> EncodeBlte(const std::vector<std::uint8_t>& data, BlteForm form,
                                     std::size_t blockSize) {
    std::vector<std::uint8_t> out{'B', 'L', 'T', 'E'};
    if (form == BlteForm::NoTable) {
        PutBE(out, 0, 4);
        const auto block = Block(data.data(), data.size(), true);
        out.insert(out.end(), block.begin(), block.end());
        return out;
    }
    std::vector<std::vector<std::uint8_t>> blocks;
    std::vector<std::size_t> sizes;
    if (form == BlteForm::Blocks && data.size() > blockSize) {
        for (std::size_t at = 0; at < data.size(); at += blockSize) {
            const std::size_t n = std::min(blockSize, data.size() - at);
            blocks.push_back(Block(data.data() + at, n, blocks.size() % 2 == 0));
            sizes.push_back(n);
        }
    } else {
        blocks.push_back(Block(data.data(), data.size(), form != BlteForm::Stored));
        sizes.push_back(data.size());
    }
    PutBE(out, 12 + 24 * blocks.size(), 4);
    out.push_back(0x0F);
    PutBE(out, blocks.size(), 3);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        PutBE(out, blocks[i].size(), 4);
        PutBE(out, sizes[i], 4);
        const Key sum = FakeKey(blocks[i], 7);
        out.insert(out.end(), sum.begin(), sum.end());
    }
    for (const auto& block : blocks) {
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

void CascBuilder::Add(std::string path, std::vector<std::uint8_t> data, BlteForm form) {
    m_files.push_back({std::move(path), std::move(data), form, true});
}

void CascBuilder::AddNotInstalled(std::string path, std::vector<std::uint8_t> data) {
    m_files.push_back({std::move(path), std::move(data), BlteForm::Zlib, false});
}

void CascBuilder::AddNamesOnly(std::size_t count) {
    m_namesOnly += count;
}

WrittenStorage CascBuilder::Write(const std::filesystem::path& folder) const {
    WrittenStorage written;
    written.folder = folder;
    const std::filesystem::path data = folder / DataFolderName;
    written.dataFolder = data / "data";
    std::filesystem::create_directories(written.dataFolder);

    // Records go into data.NNN in order; each is listed in the index of its bucket.
    std::map<unsigned, std::vector<std::uint8_t>> archives;
    std::vector<casc::IndexEntry> entries;
    std::size_t records = 0;
    auto store = [&](const std::vector<std::uint8_t>& blte) {
        const Key ekey = FakeKey(blte, 1);
        const auto archive = static_cast<unsigned>(records++ / RecordsPerArchive);
        auto& bytes = archives[archive];
        RecordSpot spot;
        char name[16];
        std::snprintf(name, sizeof name, "data.%03u", archive);
        spot.archive = written.dataFolder / name;
        spot.offset = bytes.size();
        spot.size = 30 + blte.size();
        for (int i = 15; i >= 0; --i) {
            bytes.push_back(ekey[static_cast<std::size_t>(i)]);
        }
        PutLE(bytes, spot.size, 4);
        bytes.push_back(0);
        bytes.push_back(0);
        PutLE(bytes, 0, 8);
        bytes.insert(bytes.end(), blte.begin(), blte.end());
        casc::IndexEntry entry;
        entry.key = casc::ToIndexKey(ekey);
        entry.archive = static_cast<std::uint16_t>(archive);
        entry.offset = static_cast<std::uint32_t>(spot.offset);
        entry.size = static_cast<std::uint32_t>(spot.size);
        entries.push_back(entry);
        return std::pair{ekey, spot};
    };

    // Content: CKey -> EKey for every file, installed or not.
    std::map<Key, Key> encoding;
    std::map<Key, RecordSpot> spots;
    std::string rootText;
    for (const File& file : m_files) {
        const Key ckey = FakeKey(file.data);
        rootText += file.path + "|" + Hex(ckey) + "\r\n";
        const auto blte = EncodeBlte(file.data, file.form, BlockSize);
        if (file.installed && !encoding.contains(ckey)) {
            const auto [ekey, spot] = store(blte);
            encoding[ckey] = ekey;
            spots[ckey] = spot;
            written.files[file.path] = spot;
        } else if (file.installed) {
            written.files[file.path] = spots[ckey]; // same content, same record
        } else {
            encoding.try_emplace(ckey, FakeKey(blte, 1));
        }
    }
    for (std::size_t i = 0; i < m_namesOnly; ++i) {
        const std::string name = "locales/koKR/Assets/sound/extra" + std::to_string(i) + ".ogg";
        const Key ckey = FakeKey(Bytes(name), 3);
        rootText += name + "|" + Hex(ckey) + "\r\n";
        encoding.try_emplace(ckey, FakeKey(Bytes(name), 4));
    }
    const std::vector<std::uint8_t> rootBytes = Bytes(rootText);
    const Key rootCKey = FakeKey(rootBytes);
    const auto rootBlte = EncodeBlte(rootBytes, BlteForm::Blocks, 64 * 1024);
    const auto [rootEKey, rootSpot] = store(rootBlte);
    written.root = rootSpot;
    encoding[rootCKey] = rootEKey;

    // The encoding table: 22-byte header, one ESpec string, the page index, 4 KiB CKey pages.
    constexpr std::size_t kPage = 4096;
    std::vector<std::vector<std::uint8_t>> pages(1);
    for (const auto& [ckey, ekey] : encoding) {
        if (pages.back().size() + 38 > kPage) {
            pages.emplace_back();
        }
        auto& page = pages.back();
        page.push_back(1);
        PutBE(page, 1234, 5);
        page.insert(page.end(), ckey.begin(), ckey.end());
        page.insert(page.end(), ekey.begin(), ekey.end());
    }
    const std::string espec = "z";
    std::vector<std::uint8_t> table{'E', 'N', 1, 16, 16};
    PutBE(table, 4, 2);
    PutBE(table, 4, 2);
    PutBE(table, pages.size(), 4);
    PutBE(table, 0, 4);
    table.push_back(0);
    PutBE(table, espec.size() + 1, 4);
    table.insert(table.end(), espec.begin(), espec.end());
    table.push_back(0);
    for (const auto& page : pages) {
        table.insert(table.end(), page.begin() + 6, page.begin() + 22); // first CKey
        table.insert(table.end(), 16, 0);
    }
    for (auto page : pages) {
        page.resize(kPage, 0);
        table.insert(table.end(), page.begin(), page.end());
    }
    const Key encodingCKey = FakeKey(table);
    const auto [encodingEKey, encodingSpot] = store(EncodeBlte(table, BlteForm::Blocks, 16 * 1024));
    written.encoding = encodingSpot;

    for (const auto& [number, bytes] : archives) {
        char name[16];
        std::snprintf(name, sizeof name, "data.%03u", number);
        WriteBytes(written.dataFolder / name, bytes);
    }

    // One index per bucket (by the key's first byte), newest version 2; version 1 is stale
    // and says nothing true. A placeholder entry of 0 bytes sits in bucket 0.
    std::map<unsigned, std::vector<casc::IndexEntry>> buckets;
    for (const auto& entry : entries) {
        buckets[entry.key[0] & 15u].push_back(entry);
    }
    buckets[0].push_back(casc::IndexEntry{{0xEE, 0xEE}, 0, 0, 0});
    for (const auto& [bucket, list] : buckets) {
        for (int version = 1; version <= 2; ++version) {
            std::vector<std::uint8_t> idx;
            PutLE(idx, 16, 4);
            PutLE(idx, 0, 4);
            PutLE(idx, 7, 2);
            idx.push_back(static_cast<std::uint8_t>(bucket));
            idx.insert(idx.end(), {0, 4, 5, 9, 30});
            PutLE(idx, std::uint64_t{1} << 38, 8);
            idx.resize(0x20, 0);
            PutLE(idx, version == 2 ? list.size() * 18 : 18, 4);
            PutLE(idx, 0, 4);
            for (const auto& entry : list) {
                idx.insert(idx.end(), entry.key.begin(), entry.key.end());
                const std::uint64_t location = (std::uint64_t{entry.archive} << 30) | entry.offset;
                PutBE(idx, version == 2 ? location : 0x3FFFFFFFFFull, 5);
                PutLE(idx, entry.size, 4);
                if (version == 1) {
                    break;
                }
            }
            char name[32];
            std::snprintf(name, sizeof name, "%02x%08x.idx", bucket, static_cast<unsigned>(version));
            WriteBytes(written.dataFolder / name, idx);
            if (version == 2) {
                written.indexFiles.push_back(written.dataFolder / name);
            }
        }
    }

    // The build config, named by its key, and .build.info with an old build before the active one.
    const std::string config = "# Build Configuration\n\nroot = " + Hex(rootCKey) +
                               "\ninstall = " + Hex(FakeKey(Bytes("install"))) + " " +
                               Hex(FakeKey(Bytes("install"), 1)) + "\nencoding = " + Hex(encodingCKey) + " " +
                               Hex(encodingEKey) + "\nbuild-uid = s1\nbuild-name = test\n";
    const std::string buildKey = Hex(FakeKey(Bytes(config), 5));
    written.buildConfig = data / "config" / buildKey.substr(0, 2) / buildKey.substr(2, 2) / buildKey;
    WriteBytes(written.buildConfig, Bytes(config));
    const std::string oldKey = Hex(FakeKey(Bytes("old build"), 5));
    WriteBytes(
        folder / ".build.info",
        Bytes(
            "Branch!STRING:0|Active!DEC:1|Build Key!HEX:16|CDN Key!HEX:16|Version!STRING:0|Product!STRING:0\n"
            "eu|0|" +
            oldKey + "|" + oldKey + "|1.23.0.1|\neu|1|" + buildKey + "|" + oldKey + "|1.23.10.13515|\n"));
    return written;
}

CascBuilder CascBuilder::WithStandinFiles() {
    CascBuilder builder;
    for (const auto& [name, bytes] : standin::GenerateGameData()) {
        std::string path = name;
        std::replace(path.begin(), path.end(), '\\', '/');
        if (path.starts_with("tileset/")) {
            path.replace(0, 8, "TileSet/"); // the storage's own spelling
        }
        builder.Add(path, bytes);
    }
    return builder;
}

} // namespace orv::test
