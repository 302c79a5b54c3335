#include "scenario/MapText.h"

#include "scenario/CCHKFile.h"
#include "scenario/TaggedText.h"

#include <algorithm>

namespace orv {

TMapText::TMapText() {
    if (auto codec = TextCodec::Open()) {
        m_codec = std::move(codec).value();
    } else {
        m_codecError = codec.error();
    }
}

TMapText::TMapText(const TCHK& chk) : TMapText() {
    if (m_codec) {
        m_guess = DetectCodePage(chk, *m_codec);
    }
    m_shown = m_guess.ShownPage();
    m_write = m_guess.Write;
}

void TMapText::Choose(TextEncoding encoding) {
    if (encoding != TextEncoding::Utf8) {
        m_shown = encoding;
    }
    m_write = encoding;
}

std::string TMapText::Show(std::string_view bytes) const {
    if (m_codec) {
        return m_codec->Decode(bytes, m_shown).Text;
    }
    return IsValidUtf8(bytes) ? std::string(bytes) : DecodeWestern(bytes);
}

std::string TMapText::ShowString(const TCHK& chk, std::uint32_t number) const {
    return Show(chk.Strings.Text(number));
}

std::string TMapText::ShowTagged(std::string_view bytes) const {
    return Show(ToTagged(bytes));
}

std::variant<TMapText::Stored, TMapText::Refused> TMapText::Store(std::string_view text, bool tagged) const {
    if (!m_codec) {
        return Refused{"Text cannot be stored: " + m_codecError};
    }
    auto encode = [&](TextEncoding encoding) {
        if (tagged) {
            return m_codec->Store(text, encoding);
        }
        auto bytes = m_codec->Encode(text, encoding);
        if (bytes && bytes.value().find('\0') != std::string::npos) {
            return Result<std::string>(MakeError("a string cannot hold a NUL character"));
        }
        return bytes;
    };
    // Whatever UTF-8 cannot store (a NUL, text that is not UTF-8) no encoding can.
    auto utf8 = encode(TextEncoding::Utf8);
    if (!utf8) {
        return Refused{"The text cannot be stored: " + utf8.error()};
    }
    auto stored = [&](TextEncoding encoding, std::string bytes) {
        const bool readsAsUtf8 = encoding != TextEncoding::Utf8 && ReadsAsUtf8(bytes);
        return Stored{std::move(bytes), encoding, readsAsUtf8};
    };
    if (m_write) {
        auto bytes = encode(*m_write);
        if (!bytes) {
            return Refused{"The text cannot be stored: " + bytes.error(), true};
        }
        return stored(*m_write, std::move(bytes).value());
    }
    // Undecided: ASCII needs no choice; otherwise the first legacy page that holds the text.
    for (TextEncoding encoding : {TextEncoding::Western, TextEncoding::Korean}) {
        if (auto bytes = encode(encoding)) {
            return stored(encoding, std::move(bytes).value());
        }
    }
    return Refused{"The text cannot be stored: it holds characters that neither " +
                       std::string(EncodingName(TextEncoding::Western)) + " nor " +
                       EncodingName(TextEncoding::Korean) + " can hold.",
                   true};
}

std::optional<std::string> TMapText::Enter(std::string_view text, bool tagged, Prompter& ask) {
    auto result = Store(text, tagged);
    if (auto* refused = std::get_if<Refused>(&result)) {
        if (!refused->OfferUtf8) {
            ask.ShowError(refused->Message);
            return std::nullopt;
        }
        const std::string question =
            refused->Message + "\n\nWrite this map's new text as UTF-8 from now on? The current game reads "
                               "UTF-8; the original game shows such text as other characters.";
        if (ask.AskYesNoCancel(question) != Prompter::Answer::Yes) {
            return std::nullopt;
        }
        Choose(TextEncoding::Utf8);
        result = Store(text, tagged);
        if (auto* again = std::get_if<Refused>(&result)) {
            ask.ShowError(again->Message);
            return std::nullopt;
        }
    }
    Stored& stored = std::get<Stored>(result);
    const bool nonAscii = std::any_of(text.begin(), text.end(), [](char c) { return (c & 0x80) != 0; });
    if (!m_write && nonAscii) {
        // The first text that needed a code page decided the map's.
        Choose(stored.Encoding);
    }
    if (stored.ReadsAsUtf8) {
        ask.ShowMessage("The text is written in " + std::string(EncodingName(stored.Encoding)) +
                        ", but its bytes are also valid UTF-8: the current game reads them as UTF-8 "
                        "and shows other characters. Choose UTF-8 as the map's text encoding to avoid "
                        "this.");
    }
    return std::move(stored.Bytes);
}

} // namespace orv
