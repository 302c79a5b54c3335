#include "scenario/ScenarioText.h"

#include "base/ByteReader.h"
#include "scenario/CCHKFile.h"
#include "scenario/TaggedText.h"

#include <algorithm>
#include <cstdio>
#include <unicode/ucnv.h>

namespace orv {
namespace {

// Windows-1252 80-9F; the five bytes the code page leaves unassigned read as the C1 control
// of the same value, so that every byte has a character and comes back from it.
constexpr std::array<char16_t, 32> kWestern80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t WesternCharacter(std::uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kWestern80[byte - 0x80] : byte;
}

std::optional<std::uint8_t> WesternByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        return static_cast<std::uint8_t>(c);
    }
    for (std::size_t i = 0; i < kWestern80.size(); ++i) {
        if (kWestern80[i] == c) {
            return static_cast<std::uint8_t>(0x80 + i);
        }
    }
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::uint8_t ByteAt(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint8_t>(bytes[at]);
}

// The code point of the strict UTF-8 sequence at `at`, moving `at` past it; none (and `at`
// unchanged) when there is no valid sequence there.
std::optional<char32_t> NextUtf8(std::string_view bytes, std::size_t& at) {
    const std::uint8_t b0 = ByteAt(bytes, at);
    if (b0 < 0x80) {
        ++at;
        return b0;
    }
    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF; // range of the second byte
    char32_t value = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
        value = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        value = b0 & 0x0F;
        if (b0 == 0xE0)
            low = 0xA0; // no overlong forms
        if (b0 == 0xED)
            high = 0x9F; // no surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        value = b0 & 0x07;
        if (b0 == 0xF0)
            low = 0x90;
        if (b0 == 0xF4)
            high = 0x8F; // nothing past 10FFFF
    } else {
        return std::nullopt;
    }
    if (bytes.size() - at < length) {
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        const std::uint8_t b = ByteAt(bytes, at + k);
        const std::uint8_t min = k == 1 ? low : 0x80;
        const std::uint8_t max = k == 1 ? high : 0xBF;
        if (b < min || b > max) {
            return std::nullopt;
        }
        value = (value << 6) | (b & 0x3F);
    }
    at += length;
    return value;
}

bool HasNonAscii(std::string_view bytes) {
    return std::any_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<std::uint8_t>(c) >= 0x80; });
}

// A trail byte the code's lead allows: after 81-C6 the extension ranges 41-5A, 61-7A and
// 81-FE, after C7-FE only A1-FE.
bool TrailFits(std::uint8_t lead, std::uint8_t trail) {
    if (lead >= 0xC7) {
        return trail >= 0xA1 && trail <= 0xFE;
    }
    return (trail >= 0x41 && trail <= 0x5A) || (trail >= 0x61 && trail <= 0x7A) ||
           (trail >= 0x81 && trail <= 0xFE);
}

bool IsLead(std::uint8_t byte) {
    return byte >= 0x81 && byte <= 0xFE && byte != 0xC9 && byte != 0xFE;
}

struct IcuConverter {
    UConverter* handle = nullptr;
    IcuConverter() = default;
    IcuConverter(const IcuConverter&) = delete;
    IcuConverter& operator=(const IcuConverter&) = delete;
    ~IcuConverter() {
        if (handle != nullptr) {
            ucnv_close(handle);
        }
    }
};

// The characters ICU reads from `bytes`, stopping at the first error; none on an error.
std::optional<std::u16string> IcuDecode(UConverter* converter, std::string_view bytes) {
    std::array<UChar, 8> buffer{};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, buffer.data(), static_cast<int32_t>(buffer.size()),
                                         bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || length < 0 ||
        static_cast<std::size_t>(length) > buffer.size()) {
        return std::nullopt;
    }
    return std::u16string(buffer.data(), static_cast<std::size_t>(length));
}

std::optional<std::string> IcuEncode(UConverter* converter, char16_t character) {
    std::array<char, 8> buffer{};
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(converter, buffer.data(), static_cast<int32_t>(buffer.size()),
                                           &character, 1, &status);
    if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING || length < 0 ||
        static_cast<std::size_t>(length) > buffer.size()) {
        return std::nullopt;
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

std::string Hex(std::string_view bytes) {
    std::string out;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", ByteAt(bytes, i));
        out += digits;
    }
    return out;
}

std::string Describe(std::u16string_view text) {
    std::string out;
    char digits[12];
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "U+%04X" : " U+%04X", static_cast<unsigned>(text[i]));
        out += digits;
    }
    return out.empty() ? "nothing" : out;
}

// "한" (U+D55C), or only the code point for characters that do not print.
std::string NameCharacter(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) {
        return code;
    }
    std::string out = "\"";
    AppendUtf8(out, c);
    return out + "\" (" + code + ")";
}

} // namespace

const char* EncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Korean:
        return "Korean (CP949)";
    case TextEncoding::Western:
        return "Western (Windows-1252)";
    case TextEncoding::Utf8:
        return "UTF-8";
    }
    return "UTF-8";
}

Result<std::shared_ptr<const KoreanCodePage>> KoreanCodePage::Open(const std::string& converterName) {
    IcuConverter converter;
    UErrorCode status = U_ZERO_ERROR;
    converter.handle = ucnv_open(converterName.c_str(), &status);
    if (U_FAILURE(status) || converter.handle == nullptr) {
        return MakeError("cannot open the Korean text converter \"" + converterName +
                         "\": " + u_errorName(status));
    }
    status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.handle, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(converter.handle, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) {
        return MakeError("cannot make the Korean text converter \"" + converterName +
                         "\" stop at errors: " + u_errorName(status));
    }
    status = U_ZERO_ERROR;
    const char* opened = ucnv_getName(converter.handle, &status);
    const std::string openedName = U_SUCCESS(status) && opened != nullptr ? opened : converterName;

    // The self-test: an extension syllable and a KS X 1001 syllable, as the maps hold them.
    struct Probe {
        std::string_view bytes;
        char16_t expected;
        const char* shown;
    };
    for (const Probe& probe : {Probe{"\x8C\x63", u'\uB620', "똠"}, Probe{"\xC7\xD1", u'\uD55C', "한"}}) {
        const auto read = IcuDecode(converter.handle, probe.bytes);
        if (!read || *read != std::u16string(1, probe.expected)) {
            return MakeError("the Korean text converter \"" + converterName + "\" (opened as " + openedName +
                             ") reads " + Hex(probe.bytes) + " as " +
                             (read ? Describe(*read) : std::string("an error")) + " instead of " +
                             probe.shown +
                             ": it is not the code page Korean maps use, so Korean text cannot be shown");
        }
    }

    auto page = std::shared_ptr<KoreanCodePage>(new KoreanCodePage());
    page->m_converterName = openedName;
    page->m_characters.assign(static_cast<std::size_t>(0xFF - 0x81) * kTrails, 0);
    page->m_codes.assign(0x10000, 0);
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x41; trail <= 0xFE; ++trail) {
            const auto l = static_cast<std::uint8_t>(lead);
            const auto t = static_cast<std::uint8_t>(trail);
            if (!IsLead(l) || !TrailFits(l, t)) {
                continue;
            }
            const char code[2] = {static_cast<char>(l), static_cast<char>(t)};
            const auto read = IcuDecode(converter.handle, std::string_view(code, 2));
            // One BMP character outside the private-use area, or the code has no character.
            if (!read || read->size() != 1 || ((*read)[0] >= 0xE000 && (*read)[0] <= 0xF8FF) ||
                (*read)[0] < 0x80) {
                continue;
            }
            const char16_t c = (*read)[0];
            page->m_characters[static_cast<std::size_t>(lead - 0x81) * kTrails +
                               static_cast<std::size_t>(trail - 0x41)] = c;
            // The code a character is written as is the converter's own choice, and only
            // when it reads back as the same character.
            const auto written = IcuEncode(converter.handle, c);
            if (written && *written == std::string_view(code, 2)) {
                page->m_codes[c] = static_cast<std::uint16_t>(lead << 8 | trail);
            }
        }
    }
    return std::shared_ptr<const KoreanCodePage>(std::move(page));
}

Result<std::shared_ptr<const KoreanCodePage>> KoreanCodePage::Default() {
    static const Result<std::shared_ptr<const KoreanCodePage>> page = Open(kKoreanConverterName);
    return page;
}

char16_t KoreanCodePage::Character(std::uint8_t lead, std::uint8_t trail) const {
    if (lead < 0x81 || lead > 0xFE || trail < 0x41 || trail > 0xFE) {
        return 0;
    }
    return m_characters[static_cast<std::size_t>(lead - 0x81) * kTrails +
                        static_cast<std::size_t>(trail - 0x41)];
}

std::uint16_t KoreanCodePage::Code(char32_t character) const {
    return character < m_codes.size() ? m_codes[character] : 0;
}

std::string DecodeWestern(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char b : bytes) {
        AppendUtf8(out, WesternCharacter(static_cast<std::uint8_t>(b)));
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        if (!NextUtf8(bytes, at)) {
            return false;
        }
    }
    return true;
}

bool ReadsAsUtf8(std::string_view bytes) {
    return HasNonAscii(bytes) && IsValidUtf8(bytes);
}

Result<TextCodec> TextCodec::Open(const std::string& koreanConverterName) {
    auto korean = koreanConverterName == kKoreanConverterName ? KoreanCodePage::Default()
                                                              : KoreanCodePage::Open(koreanConverterName);
    if (!korean) {
        return MakeError(korean.error());
    }
    return TextCodec(std::move(korean).value());
}

ByteClass TextCodec::Classify(std::string_view bytes) const {
    if (!HasNonAscii(bytes)) {
        return ByteClass::Ascii;
    }
    if (IsValidUtf8(bytes)) {
        return ByteClass::Utf8;
    }
    bool korean = true, hangul = false, symbolsOnly = true;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::uint8_t lead = ByteAt(bytes, at);
        if (lead < 0x80) {
            ++at;
            continue;
        }
        if (at + 1 == bytes.size() || m_korean->Character(lead, ByteAt(bytes, at + 1)) == 0) {
            korean = false;
            break;
        }
        const std::uint8_t trail = ByteAt(bytes, at + 1);
        const bool ksTrail = trail >= 0xA1 && trail <= 0xFE;
        hangul = hangul || (lead >= 0xB0 && lead <= 0xC8 && ksTrail);
        symbolsOnly = symbolsOnly && lead >= 0xA1 && lead <= 0xAC && ksTrail;
        at += 2;
    }
    if (korean) {
        return hangul ? ByteClass::Korean : symbolsOnly ? ByteClass::KoreanSymbols : ByteClass::WesternPairs;
    }
    auto asciiLetter = [](std::uint8_t b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); };
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const std::uint8_t b = ByteAt(bytes, at);
        if (b < 0xC0 || b == 0xD7 || b == 0xF7) {
            continue;
        }
        if ((at > 0 && asciiLetter(ByteAt(bytes, at - 1))) ||
            (at + 1 < bytes.size() && asciiLetter(ByteAt(bytes, at + 1)))) {
            return ByteClass::Western;
        }
    }
    return ByteClass::WesternJunk;
}

TextEncoding TextCodec::ShownEncoding(std::string_view bytes, TextEncoding mapPage) const {
    switch (Classify(bytes)) {
    case ByteClass::Ascii:
    case ByteClass::Utf8:
        return TextEncoding::Utf8;
    case ByteClass::Korean:
        return TextEncoding::Korean;
    case ByteClass::KoreanSymbols:
    case ByteClass::WesternPairs:
        return mapPage == TextEncoding::Korean ? TextEncoding::Korean : TextEncoding::Western;
    case ByteClass::Western:
    case ByteClass::WesternJunk:
        break;
    }
    return TextEncoding::Western;
}

std::string TextCodec::DecodeAs(std::string_view bytes, TextEncoding encoding) const {
    std::string out;
    out.reserve(bytes.size() * 2);
    if (encoding == TextEncoding::Utf8 && IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    if (encoding == TextEncoding::Korean) {
        for (std::size_t at = 0; at < bytes.size();) {
            const std::uint8_t lead = ByteAt(bytes, at);
            if (lead < 0x80) {
                out += static_cast<char>(lead);
                ++at;
                continue;
            }
            const char16_t c = at + 1 < bytes.size() ? m_korean->Character(lead, ByteAt(bytes, at + 1)) : 0;
            if (c == 0) {
                return DecodeAs(bytes, TextEncoding::Western);
            }
            AppendUtf8(out, c);
            at += 2;
        }
        return out;
    }
    return DecodeWestern(bytes);
}

TextCodec::Decoded TextCodec::Decode(std::string_view bytes, TextEncoding mapPage) const {
    const TextEncoding shown = ShownEncoding(bytes, mapPage);
    return {DecodeAs(bytes, shown), shown};
}

Result<std::string> TextCodec::Encode(std::string_view text, TextEncoding encoding) const {
    std::string out;
    out.reserve(text.size());
    std::size_t index = 0; // characters so far, for the message
    for (std::size_t at = 0; at < text.size(); ++index) {
        const std::size_t start = at;
        const auto c = NextUtf8(text, at);
        if (!c) {
            return MakeError("the text is not valid UTF-8 at byte " + std::to_string(start + 1));
        }
        if (encoding == TextEncoding::Utf8) {
            out.append(text.substr(start, at - start));
            continue;
        }
        if (*c < 0x80) {
            out += static_cast<char>(*c);
            continue;
        }
        if (encoding == TextEncoding::Western) {
            if (const auto b = WesternByte(*c)) {
                out += static_cast<char>(*b);
                continue;
            }
        } else if (const std::uint16_t code = m_korean->Code(*c)) {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
            continue;
        }
        return MakeError(NameCharacter(*c) + ", character " + std::to_string(index + 1) +
                         " of the text, cannot be written in " + EncodingName(encoding) +
                         ": remove it, or switch the map's text encoding to UTF-8");
    }
    return out;
}

TextCodec::Decoded TextCodec::Show(std::string_view bytes, TextEncoding mapPage) const {
    // Tagging keeps every byte's class (tags are ASCII and stand where control bytes stood),
    // but the choice is made on the bytes as they are.
    const TextEncoding shown = ShownEncoding(bytes, mapPage);
    return {DecodeAs(ToTagged(bytes), shown), shown};
}

Result<std::string> TextCodec::Store(std::string_view text, TextEncoding encoding) const {
    auto encoded = Encode(text, encoding);
    if (!encoded) {
        return encoded;
    }
    std::string bytes = FromTagged(encoded.value());
    // The table ends a string at its first NUL: what followed would be lost.
    if (bytes.find('\0') != std::string::npos) {
        return MakeError(
            "<00> cannot be stored: a string ends at that byte, and the text after it would be lost");
    }
    return bytes;
}

CodePageGuess DetectCodePage(const std::vector<std::string_view>& evidence, const TextCodec& codec) {
    CodePageGuess guess;
    for (std::string_view bytes : evidence) {
        if (!bytes.empty()) {
            ++guess.Counts.Of[static_cast<std::size_t>(codec.Classify(bytes))];
        }
    }
    const ClassCounts& n = guess.Counts;
    const int strongKorean = n[ByteClass::Korean], strongWestern = n[ByteClass::Western];
    const int weakKorean = n[ByteClass::KoreanSymbols];
    const int weakWestern = n[ByteClass::WesternPairs] + n[ByteClass::WesternJunk];
    if (strongKorean + strongWestern > 0) {
        guess.Legacy = strongKorean >= strongWestern ? TextEncoding::Korean : TextEncoding::Western;
    } else if (weakKorean + weakWestern > 0) {
        guess.Legacy = weakKorean > weakWestern ? TextEncoding::Korean : TextEncoding::Western;
    }
    if (n[ByteClass::Utf8] > strongKorean + strongWestern) {
        guess.Write = TextEncoding::Utf8;
    } else {
        guess.Write = guess.Legacy;
    }
    return guess;
}

std::vector<std::uint32_t> TextStringNumbers(const TCHK& chk) {
    std::vector<std::uint32_t> numbers;
    numbers.push_back(chk.ScenarioName);
    numbers.push_back(chk.ScenarioDescription);
    numbers.insert(numbers.end(), chk.ForceNames.begin(), chk.ForceNames.end());
    for (const LocationSlot& l : chk.Locations) {
        if (l.Left != 0 || l.Top != 0 || l.Right != 0 || l.Bottom != 0) {
            numbers.push_back(l.Name);
        }
    }
    // Unit names: the game reads UNIx in the Brood War formats, UNIS otherwise; a name
    // counts when the unit does not use its defaults.
    const bool broodWar = chk.Version == 205 || chk.Version == 206;
    const Bytes units = broodWar ? Bytes(chk.Unix) : Bytes(chk.Unis);
    constexpr std::size_t kUnitTypes = 228, kUnitNames = 3192;
    for (std::size_t u = 0; u < kUnitTypes; ++u) {
        if (ReadLEOr<std::uint8_t>(units, u, 1) == 0) {
            numbers.push_back(ReadLEOr<std::uint16_t>(units, kUnitNames + 2 * u, 0));
        }
    }
    numbers.insert(numbers.end(), chk.SwitchNames.begin(), chk.SwitchNames.end());
    // Trigger and briefing actions: 64 of 32 bytes from offset 320 of each 2400-byte record,
    // the text string at +4 and the action id at +1A. Sound strings (+8) are not text.
    auto actionTexts = [&numbers](const std::vector<std::uint8_t>& records, std::initializer_list<int> ids) {
        for (std::size_t t = 0; t + 2400 <= records.size(); t += 2400) {
            for (std::size_t a = 0; a < 64; ++a) {
                const std::size_t at = t + 320 + 32 * a;
                const int id = ReadLEOr<std::uint8_t>(records, at + 0x1A, 0);
                if (std::find(ids.begin(), ids.end(), id) != ids.end()) {
                    numbers.push_back(ReadLEOr<std::uint32_t>(records, at + 4, 0));
                }
            }
        }
    };
    actionTexts(chk.Triggers, {7, 9, 12, 17, 18, 19, 20, 21, 33, 34, 35, 36, 37, 41, 47});
    actionTexts(chk.Briefings, {3, 4, 8});

    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    numbers.erase(std::remove_if(numbers.begin(), numbers.end(),
                                 [&chk](std::uint32_t n) { return chk.Strings.Text(n).empty(); }),
                  numbers.end());
    return numbers;
}

CodePageGuess DetectCodePage(const TCHK& chk, const TextCodec& codec) {
    std::vector<std::string_view> evidence;
    for (std::uint32_t n : TextStringNumbers(chk)) {
        evidence.push_back(chk.Strings.Text(n));
    }
    CodePageGuess guess = DetectCodePage(evidence, codec);
    if (!guess.Write) {
        const bool remastered = chk.Version == 64 || chk.Version == 206;
        const bool extendedTable =
            std::any_of(chk.SectionsRead.begin(), chk.SectionsRead.end(), [](const SectionInfo& s) {
                return std::string_view(s.Name.data(), s.Name.size()) == "STRx";
            });
        if (remastered || extendedTable) {
            guess.Write = TextEncoding::Utf8;
        }
    }
    return guess;
}

} // namespace orv
