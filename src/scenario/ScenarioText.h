#pragma once

// The scenario's strings as text. A map carries no encoding marker: the legacy game shows its
// strings in the code page of the player's system (Korean CP949 or Western Windows-1252), the
// remastered game reads each string on its own, as UTF-8 when its bytes are valid UTF-8 and
// in a legacy code page otherwise. So the editor guesses one legacy code page per map from
// the strings the scenario refers to, and shows each string per string by the same rule.
//
// Raw bytes stay the truth: a string is encoded again only when the user changed it, and then
// strictly, in the map's write encoding. Sound names are archive file names, not text: they
// are never part of the evidence and never go through this layer.
//
// Text is UTF-8 in std::string. Korean conversion goes through ICU's "windows-949-2000"
// converter (the alias "CP949" opens a different IBM table) and is checked when it is opened.

#include "base/Result.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class TCHK;

enum class TextEncoding {
    Korean,  // CP949 (Unified Hangul Code)
    Western, // Windows-1252
    Utf8,
};

// "Korean (CP949)", "Western (Windows-1252)", "UTF-8": for messages.
const char* EncodingName(TextEncoding encoding);

inline constexpr const char* kKoreanConverterName = "windows-949-2000";

// What a string's bytes say about the map's code page (first match wins).
enum class ByteClass {
    Ascii,         // every byte below 80: no evidence
    Utf8,          // valid UTF-8 (strict: no overlong forms, surrogates, values past 10FFFF or cut codes)
    Korean,        // strict CP949 with at least one Hangul syllable of the KS X 1001 block
    KoreanSymbols, // strict CP949, only symbol rows A1-AC (full-width forms, arrows, stars)
    WesternPairs,  // strict CP949 otherwise: hanja or extension codes that Latin letter pairs form
    Western,       // not CP949, a Latin-1 letter next to an ASCII letter
    WesternJunk,   // not CP949, no such letter: decoration or junk
};

// The Korean code page, read from an ICU converter into fixed tables when it is opened. A
// converter passes only when it reads 8C 63 as 똠 and C7 D1 as 한 (the UHC table the maps
// use); strict reading accepts only the codes a strict CP949 decoder accepts (no lone 80 or
// FF, no user-defined rows C9 and FE, no private-use results).
class KoreanCodePage {
public:
    static Result<std::shared_ptr<const KoreanCodePage>> Open(const std::string& converterName);
    // The page of kKoreanConverterName, opened and checked once; the error says why it cannot
    // be used.
    static Result<std::shared_ptr<const KoreanCodePage>> Default();

    // The character of a two-byte code, or 0 when strict CP949 has none.
    char16_t Character(std::uint8_t lead, std::uint8_t trail) const;
    // The two-byte code of a character (lead << 8 | trail), or 0 when it has none.
    std::uint16_t Code(char32_t character) const;
    // The converter ICU opened for the name.
    const std::string& ConverterName() const { return m_converterName; }

private:
    KoreanCodePage() = default;
    static constexpr int kTrails = 0xFF - 0x41;
    std::string m_converterName;
    std::vector<char16_t> m_characters; // [(lead - 81) * kTrails + trail - 41]
    std::vector<std::uint16_t> m_codes; // [character], 0 for none
};

// Bytes as Windows-1252 text (the five unassigned bytes as the C1 controls of their value).
std::string DecodeWestern(std::string_view bytes);

// Valid UTF-8 in the strict sense.
bool IsValidUtf8(std::string_view bytes);

// The text converter of the editor. Open runs the start-up self-test of the Korean converter;
// the converter name can be given to check another one.
class TextCodec {
public:
    static Result<TextCodec> Open(const std::string& koreanConverterName = kKoreanConverterName);

    ByteClass Classify(std::string_view bytes) const;

    // The encoding a string is shown in on a map whose legacy code page is `mapPage` (Korean
    // or Western; UTF-8 or none reads as Western): ASCII and UTF-8 strings as UTF-8, strong
    // Korean as Korean, weak Korean and letter pairs as Korean on a Korean map, everything
    // else as Windows-1252.
    TextEncoding ShownEncoding(std::string_view bytes, TextEncoding mapPage) const;

    // The bytes as UTF-8 text in the given encoding. Never fails: bytes that are not valid in
    // it are read as Windows-1252, which holds every byte (81, 8D, 8F, 90, 9D as the C1
    // controls of the same value), so the text encodes back to the same bytes.
    std::string DecodeAs(std::string_view bytes, TextEncoding encoding) const;

    struct Decoded {
        std::string Text;
        TextEncoding ShownAs = TextEncoding::Utf8;
    };
    // A string as shown on a map of `mapPage`: Encode(Text, ShownAs) gives back the bytes.
    Decoded Decode(std::string_view bytes, TextEncoding mapPage) const;

    // UTF-8 text as bytes of `encoding`, strictly: a character the encoding cannot hold fails
    // with a message naming it (never a "?" or a look-alike). Text that is not valid UTF-8
    // fails too.
    Result<std::string> Encode(std::string_view text, TextEncoding encoding) const;

    // Tagged forms for text fields (see TaggedText.h): a string's bytes with their
    // formatting bytes as tags, decoded; and back. Storing refuses a text that holds a NUL
    // ("<00>"), which would cut the string short in the table.
    Decoded Show(std::string_view bytes, TextEncoding mapPage) const;
    Result<std::string> Store(std::string_view text, TextEncoding encoding) const;

    const KoreanCodePage& Korean() const { return *m_korean; }

private:
    explicit TextCodec(std::shared_ptr<const KoreanCodePage> korean) : m_korean(std::move(korean)) {}
    std::shared_ptr<const KoreanCodePage> m_korean;
};

// True when legacy bytes written for a map also form valid UTF-8 with a non-ASCII character:
// the remastered game then shows the UTF-8 reading (in a Korean map "짱" is C2 AF, which is
// UTF-8 for "¯"), so the editor warns.
bool ReadsAsUtf8(std::string_view bytes);

struct ClassCounts {
    std::array<int, 7> Of{}; // by ByteClass
    int operator[](ByteClass c) const { return Of[static_cast<std::size_t>(c)]; }
};

struct CodePageGuess {
    // Korean or Western; none when every evidence string is ASCII.
    std::optional<TextEncoding> Legacy;
    // The encoding changed and new strings are written in; none when nothing tells (an
    // ASCII legacy map: the first non-ASCII text the user enters decides).
    std::optional<TextEncoding> Write;
    ClassCounts Counts;

    // The page strings that are not UTF-8 are shown in (Western when there is none).
    TextEncoding ShownPage() const { return Legacy.value_or(TextEncoding::Western); }
};

// The guess from the bytes of the evidence strings (each string once).
CodePageGuess DetectCodePage(const std::vector<std::string_view>& evidence, const TextCodec& codec);

// The numbers of the strings the scenario refers to as text, sorted, each once: map name and
// description, force names, the names of locations with a rectangle, unit names in use, switch
// names, trigger and briefing texts. Sound names are not text and are left out, as are numbers
// past the table and empty strings.
std::vector<std::uint32_t> TextStringNumbers(const TCHK& chk);

// The guess for a scenario. A map whose evidence is all ASCII writes UTF-8 when it is in a
// remastered format (VER 64 or 206) or has an STRx table.
CodePageGuess DetectCodePage(const TCHK& chk, const TextCodec& codec);

} // namespace orv
