#pragma once

// Writes a map archive anew, for the updates the archive library refuses.
//
// The library compacts an archive and enlarges its hash table only when it knows the name of
// every file in it; real maps often hold files whose names nobody knows (their (listfile) is
// missing or incomplete). Lookups go by the hash of the name, though, so such files can be
// carried without their names:
//
//  * the hash table keeps its size and every entry stays in its slot, pointing at the same
//    file (deleted entries stay deleted, so no lookup walk is cut short);
//  * each file the hash table points at is copied as it is stored, one after the other,
//    behind a new 32-byte header at the start of the file; blocks no entry points at (the
//    space of replaced files) are left out;
//  * a file encrypted with the key-adjusted flag has a key that depends on its offset, so it
//    is decrypted and encrypted again for its new place (its sector table too). The key comes
//    from the file's name when the name is known, else from its sector table, whose first
//    word is known (the table's own size);
//  * the tables are written behind the data, encrypted as usual.
//
// With a new hash-table size every file must be placed anew by its name, so every name must
// be known.
//
// Nothing in the old archive can make the writer read outside it; anything it cannot carry
// faithfully is an error, and the old archive stays as it was.

#include "base/ByteReader.h"
#include "base/Result.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv {

struct MpqRewriteOptions {
    // Names the archive may hold besides those it lists: its (listfile), the scenario and the
    // archive's internal files are always tried. A name counts only where its hashes match.
    std::vector<std::string> names;
    // File offset of the header to rewrite (the one the archive library used); when not
    // given, the first header at a 512-byte boundary whose tables lie inside the file.
    std::optional<std::uint64_t> headerOffset;
    // A new hash-table size, a power of two at least the number of files.
    std::optional<std::uint32_t> hashTableSize;
};

struct MpqRewriteReport {
    std::uint32_t blocksKept = 0;
    std::uint32_t blocksDropped = 0;  // blocks no hash entry pointed at
    std::uint32_t rekeyedByName = 0;  // key-adjusted files whose key came from their name
    std::uint32_t rekeyedByTable = 0; // ... from their sector table
    std::uint64_t sizeBefore = 0;
    std::uint64_t sizeAfter = 0;
};

class MpqCompactor {
public:
    // The archive written anew (see above).
    static Result<std::vector<std::uint8_t>> Rewrite(Bytes archive, const MpqRewriteOptions& options,
                                                     MpqRewriteReport* report = nullptr);

    // Rewrites the archive file in place. The new archive must give back every file the old
    // one gave back by name, byte for byte, before it replaces the file; otherwise the file
    // is left as it was.
    static Result<MpqRewriteReport> RewriteFile(const std::filesystem::path& path,
                                                const MpqRewriteOptions& options);
};

} // namespace orv
