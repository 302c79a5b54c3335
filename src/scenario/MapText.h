#pragma once

// The text of one open map: the code page its strings are shown in and the encoding new text
// is written in, guessed once from the scenario when the map is opened and then the user's
// to choose (the choice stays with the map's window; it is never guessed again). Every place
// that shows a scenario string, and every field where one is typed, goes through here.

#include "base/Prompter.h"
#include "base/Result.h"
#include "scenario/ScenarioText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace orv {

class TCHK;

class TMapText {
public:
    // No map: strings show as Windows-1252, typed text is written in the first encoding that
    // holds it.
    TMapText();
    // The guess for a scenario. When the converter failed its start-up check, strings still
    // show (bytes that are not UTF-8 as Windows-1252) but no typed text is stored.
    explicit TMapText(const TCHK& chk);

    const CodePageGuess& Guess() const { return m_guess; }
    // The page strings that are not UTF-8 are shown in: Korean or Western.
    TextEncoding ShownPage() const { return m_shown; }
    // The encoding typed text is written in; none while an all-ASCII legacy map has not
    // decided (the first text that needs one decides, Western before Korean).
    std::optional<TextEncoding> WriteEncoding() const { return m_write; }
    // The user's choice. Korean or Western: strings are shown in that page and new text is
    // written in it. UTF-8: new text is written as UTF-8; other strings show as before.
    void Choose(TextEncoding encoding);

    // A string's bytes as text, and string `number` of the scenario (0 or past the table:
    // empty).
    std::string Show(std::string_view bytes) const;
    std::string ShowString(const TCHK& chk, std::uint32_t number) const;
    // The tagged form for a text field (control bytes as "<1>" or "<0B>").
    std::string ShowTagged(std::string_view bytes) const;

    struct Stored {
        std::string Bytes;
        TextEncoding Encoding = TextEncoding::Utf8;
        // Legacy bytes that the current game would read as UTF-8 (other characters).
        bool ReadsAsUtf8 = false;
    };
    struct Refused {
        std::string Message;
        bool OfferUtf8 = false; // a character the write encoding cannot hold
    };
    // Typed text (`tagged`: a text field's form) as bytes in the write encoding, strictly.
    std::variant<Stored, Refused> Store(std::string_view text, bool tagged) const;

    // Store with the user: a character the write encoding cannot hold stops the edit with a
    // message that names it and asks whether the map's new text should be written as UTF-8
    // (yes: the choice changes and the text is stored); Korean bytes the current game reads
    // as UTF-8 are stored after a warning. Nothing when the edit stops.
    std::optional<std::string> Enter(std::string_view text, bool tagged, Prompter& ask);

private:
    std::optional<TextCodec> m_codec;
    std::string m_codecError;
    CodePageGuess m_guess;
    TextEncoding m_shown = TextEncoding::Western;
    std::optional<TextEncoding> m_write;
};

} // namespace orv
