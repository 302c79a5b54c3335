// The scenario's strings as text: the tag codec, the code page guess, per-string decoding and
// strict encoding, on hand-made bytes and on every corpus scenario.

#include "scenario/ScenarioText.h"

#include "scenario/CCHKFile.h"
#include "scenario/MapText.h"
#include "scenario/TaggedText.h"
#include "support/RecordingPrompter.h"
#include "support/TestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

namespace orv {
namespace {

const TextCodec& Codec() {
    static const TextCodec codec = [] {
        auto opened = TextCodec::Open();
        if (!opened) {
            ADD_FAILURE() << opened.error();
            std::abort();
        }
        return std::move(opened).value();
    }();
    return codec;
}

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
        out += ' ';
    }
    return out;
}

// --- tags -------------------------------------------------------------------------------------

TEST(TaggedText, ShowsFormattingBytesAsTagsAndKeepsLineBreaksAndTabs) {
    EXPECT_EQ(ToTagged("\x01Red\x08!"), "<1>Red<8>!");
    EXPECT_EQ(ToTagged("a\x0B"
                       "b\x1F"
                       "c\x0E"),
              "a<0B>b<1F>c<0E>");
    EXPECT_EQ(ToTagged(std::string("x\0y\x7F", 4)), "x<00>y<7F>");
    EXPECT_EQ(ToTagged("one\r\ntwo\nthree\rfour\tfive"), "one\r\ntwo\nthree\rfour\tfive");
    EXPECT_EQ(ToTagged("\x10\x11\x12"), "<10><11><12>") << "hex, never decimal: <10> is byte 10, not 0A";
}

TEST(TaggedText, DoublesOnlyTheLessThanSignsThatWouldReadAsTags) {
    EXPECT_EQ(ToTagged("a < b"), "a < b");
    EXPECT_EQ(ToTagged("<3"), "<3");
    EXPECT_EQ(ToTagged("<9>"), "<9>") << "tab is not tagged, so <9> is plain text";
    EXPECT_EQ(ToTagged("<0A>"), "<0A>");
    EXPECT_EQ(ToTagged("<1>"), "<<1>");
    EXPECT_EQ(ToTagged("<1C>"), "<<1C>");
    EXPECT_EQ(ToTagged("<0b>"), "<<0b>") << "typed tags may be lower case, so literal ones are escaped too";
    EXPECT_EQ(ToTagged("<\x04"), "<<<4>") << "a < right before a tag";
    EXPECT_EQ(ToTagged("<<x"), "<<<x");
    EXPECT_EQ(ToTagged("x<"), "x<");
}

TEST(TaggedText, ReadsTypedText) {
    EXPECT_EQ(FromTagged("<4>White <6>Red"), "\x04White \x06Red");
    EXPECT_EQ(FromTagged("<0E>teal<1f>"), "\x0Eteal\x1F");
    EXPECT_EQ(FromTagged("<01>"), "\x01");
    EXPECT_EQ(FromTagged("<9>"), "<9>");
    EXPECT_EQ(FromTagged("<0A><0D><09>"), "<0A><0D><09>") << "line breaks and tab are typed as themselves";
    EXPECT_EQ(FromTagged("<20><41><9F>"), "<20><41><9F>") << "only control bytes have tags";
    EXPECT_EQ(FromTagged("<<1>"), "<1>");
    EXPECT_EQ(FromTagged("a < b <"), "a < b <");
    EXPECT_EQ(FromTagged("<1"), "<1");
    EXPECT_EQ(FromTagged("<00><7F>"), std::string("\0\x7F", 2));
}

TEST(TaggedText, RandomByteStringsComeBackByteForByte) {
    // Bytes weighted towards what makes tags ambiguous: "<", ">", digits, hex letters,
    // control bytes, and bytes of multi-byte characters.
    const std::string alphabet =
        std::string("<<<<>>>0123456789ABCDEFabcdef \r\n\t") + std::string("\0\x7F", 2);
    std::mt19937 random(20261207);
    for (int n = 0; n < 100000; ++n) {
        std::string bytes(random() % 12, '\0');
        for (char& c : bytes) {
            switch (random() % 4) {
            case 0:
            case 1:
                c = alphabet[random() % alphabet.size()];
                break;
            case 2:
                c = static_cast<char>(random() % 0x20);
                break;
            default:
                c = static_cast<char>(random() % 256);
                break;
            }
        }
        const std::string shown = ToTagged(bytes);
        ASSERT_EQ(FromTagged(shown), bytes) << "bytes " << Hex(bytes) << "shown as \"" << shown << "\"";
        for (char c : shown) {
            ASSERT_FALSE(IsTaggedByte(static_cast<std::uint8_t>(c))) << Hex(bytes);
        }
    }
}

TEST(ScenarioText, RandomStringsComeBackThroughTheTextFieldsOfBothPages) {
    // Show then store, as a text field does for a string the user did not change: control
    // bytes, "<", and Korean codes, Latin-1 letters and UTF-8 sequences between them.
    const std::vector<std::string> pieces = {
        "<",    ">",    "1",    "0B",       "<1>",          "\x01",     "\x0B",     "\x1F", "\r\n",
        "\n",   "a",    "Z",    "\xC7\xD1", "\xB1\xDB",     "\x8C\x63", "\xA3\xB2", "\xA7", "\xE4",
        "\xFF", "\x80", "\x81", "\xC9\xA1", "\xED\x95\x9C", "\xC2\xAF", "\xC0\xAF"};
    std::mt19937 random(949);
    for (int n = 0; n < 20000; ++n) {
        std::string bytes;
        for (int k = static_cast<int>(random() % 8); k > 0; --k) {
            bytes += pieces[random() % pieces.size()];
        }
        for (TextEncoding page : {TextEncoding::Korean, TextEncoding::Western}) {
            const auto shown = Codec().Show(bytes, page);
            const auto stored = Codec().Store(shown.Text, shown.ShownAs);
            ASSERT_TRUE(stored.ok()) << Hex(bytes) << stored.error();
            ASSERT_EQ(stored.value(), bytes)
                << "bytes " << Hex(bytes) << "shown as " << EncodingName(shown.ShownAs);
        }
    }
}

// --- the Korean converter -----------------------------------------------------------------------

TEST(ScenarioText, KoreanConverterPassesItsSelfTest) {
    auto page = KoreanCodePage::Open(kKoreanConverterName);
    ASSERT_TRUE(page.ok()) << page.error();
    EXPECT_EQ(page.value()->Character(0x8C, 0x63), u'\uB620');
    EXPECT_EQ(page.value()->Character(0xC7, 0xD1), u'\uD55C');
    EXPECT_EQ(page.value()->Code(U'\uB620'), 0x8C63);
}

TEST(ScenarioText, TheCp949AliasFailsTheSelfTest) {
    auto codec = TextCodec::Open("CP949");
    ASSERT_FALSE(codec.ok()) << "CP949 opens an IBM table that lacks the extension syllables";
    EXPECT_NE(codec.error().find("8C 63"), std::string::npos) << codec.error();
    EXPECT_NE(codec.error().find("CP949"), std::string::npos) << codec.error();
    EXPECT_FALSE(TextCodec::Open("no-such-converter").ok());
}

TEST(ScenarioText, StrictReadingRefusesWhatOnlyALenientConverterAccepts) {
    const KoreanCodePage& korean = Codec().Korean();
    EXPECT_EQ(korean.Character(0xC9, 0xA1), 0) << "user-defined row";
    EXPECT_EQ(korean.Character(0xFE, 0xA1), 0) << "user-defined row";
    EXPECT_EQ(korean.Character(0xC7, 0x41), 0) << "a KS X 1001 lead takes only trails A1-FE";
    EXPECT_EQ(Codec().Classify("\x80"), ByteClass::WesternJunk);
    EXPECT_EQ(Codec().Classify("\xFF"), ByteClass::WesternJunk);
    EXPECT_EQ(Codec().Classify("\xC7"), ByteClass::WesternJunk) << "a lead byte at the end";
}

// --- classes and the guess ------------------------------------------------------------------------

TEST(ScenarioText, ClassifiesStringsByTheirBytes) {
    EXPECT_EQ(Codec().Classify("Lost Temple\x04"), ByteClass::Ascii);
    EXPECT_EQ(Codec().Classify("\xED\x95\x9C"), ByteClass::Utf8);
    EXPECT_EQ(Codec().Classify("\xC7\xD1\xB1\xDB"), ByteClass::Korean);
    EXPECT_EQ(Codec().Classify("\xC0\xAF"), ByteClass::Korean) << "an overlong UTF-8 form is not UTF-8";
    EXPECT_EQ(Codec().Classify("Title \xA3\xB2"), ByteClass::KoreanSymbols) << "full-width 2";
    EXPECT_EQ(Codec().Classify("Fa\xA7te\xA7t"), ByteClass::WesternPairs);
    EXPECT_EQ(Codec().Classify("\xE4\xE4"), ByteClass::WesternPairs);
    EXPECT_EQ(Codec().Classify("\xDC"
                               "berall"),
              ByteClass::Western);
    EXPECT_EQ(Codec().Classify("N'importe O\xF9"), ByteClass::Western);
    EXPECT_EQ(Codec().Classify(":\xD0"), ByteClass::WesternJunk);
    EXPECT_EQ(Codec().Classify("x\xD7y"), ByteClass::WesternJunk) << "the multiplication sign is no letter";
}

TEST(ScenarioText, StrongEvidenceDecidesBeforeWeakEvidence) {
    const std::string korean = "\xC7\xD1\xB1\xDB", western = "\xDC"
                                                             "berall";
    const std::string symbols = "\xA3\xB2", pairs = "Fa\xA7te\xA7t", junk = ":\xD0";
    auto legacy = [](std::vector<std::string_view> evidence) {
        return DetectCodePage(evidence, Codec()).Legacy;
    };
    EXPECT_EQ(legacy({korean, western}), TextEncoding::Korean) << "a tie goes to Korean";
    EXPECT_EQ(legacy({korean, western, western}), TextEncoding::Western);
    EXPECT_EQ(legacy({western, symbols, symbols, symbols}), TextEncoding::Western);
    EXPECT_EQ(legacy({symbols, pairs}), TextEncoding::Western) << "weak Korean must outnumber weak Western";
    EXPECT_EQ(legacy({symbols, symbols, pairs}), TextEncoding::Korean);
    EXPECT_EQ(legacy({junk}), TextEncoding::Western);
    EXPECT_EQ(legacy({"plain", ""}), std::nullopt);

    const std::string utf8 = "\xED\x95\x9C";
    EXPECT_EQ(DetectCodePage({utf8, utf8, korean}, Codec()).Write, TextEncoding::Utf8);
    EXPECT_EQ(DetectCodePage({utf8, korean}, Codec()).Write, TextEncoding::Korean);
    EXPECT_EQ(DetectCodePage({"plain"}, Codec()).Write, std::nullopt) << "decided by the first text entered";
}

TEST(ScenarioText, ShowsEachStringPerString) {
    EXPECT_EQ(Codec().Decode("\xC7\xD1", TextEncoding::Western).Text, "한") << "Korean text in a Western map";
    EXPECT_EQ(Codec().Decode("\xA3\xB2", TextEncoding::Korean).Text, "２");
    EXPECT_EQ(Codec().Decode("\xA3\xB2", TextEncoding::Western).Text, "£²");
    EXPECT_EQ(Codec().Decode("\xE4\xE4", TextEncoding::Western).Text, "ää");
    EXPECT_EQ(Codec().Decode("\xED\x95\x9C", TextEncoding::Korean).Text, "한")
        << "valid UTF-8 shows as UTF-8";
    const auto unassigned = Codec().Decode("\x80\x81\x8D\x8F\x90\x9D\x9F", TextEncoding::Korean);
    EXPECT_EQ(unassigned.ShownAs, TextEncoding::Western);
    EXPECT_EQ(unassigned.Text, "€\u0081\u008D\u008F\u0090\u009DŸ");
    EXPECT_EQ(Codec().Show("\x06\xC7\xD1<1>", TextEncoding::Korean).Text, "<6>한<<1>");
}

// --- encoding ---------------------------------------------------------------------------------------

TEST(ScenarioText, EncodesTypedTextStrictly) {
    const auto korean = Codec().Encode("한글 똠", TextEncoding::Korean);
    ASSERT_TRUE(korean.ok()) << korean.error();
    EXPECT_EQ(korean.value(), "\xC7\xD1\xB1\xDB \x8C\x63");

    const auto western = Codec().Encode("café €", TextEncoding::Western);
    ASSERT_TRUE(western.ok()) << western.error();
    EXPECT_EQ(western.value(), "caf\xE9 \x80");

    const auto refused = Codec().Encode("Base 한", TextEncoding::Western);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("\"한\""), std::string::npos) << refused.error();
    EXPECT_NE(refused.error().find("U+D55C"), std::string::npos) << refused.error();
    EXPECT_NE(refused.error().find("Windows-1252"), std::string::npos) << refused.error();

    for (TextEncoding legacy : {TextEncoding::Korean, TextEncoding::Western}) {
        const auto emoji = Codec().Encode("go \xF0\x9F\x98\x80", legacy);
        ASSERT_FALSE(emoji.ok()) << EncodingName(legacy);
        EXPECT_NE(emoji.error().find("U+1F600"), std::string::npos) << emoji.error();
    }
    EXPECT_FALSE(Codec().Encode("é", TextEncoding::Korean).ok());
    EXPECT_FALSE(Codec().Encode("\uE000", TextEncoding::Korean).ok()) << "no user-defined codes";
    EXPECT_FALSE(Codec().Encode("\u0080", TextEncoding::Western).ok()) << "80 is the euro sign";
    EXPECT_FALSE(Codec().Encode("\xC0\xAF", TextEncoding::Utf8).ok()) << "text must be valid UTF-8";
    EXPECT_EQ(Codec().Encode("한 \xF0\x9F\x98\x80", TextEncoding::Utf8).value(), "한 \xF0\x9F\x98\x80");
}

TEST(ScenarioText, WarnsWhenKoreanBytesAlsoReadAsUtf8) {
    const auto jjang = Codec().Encode("짱", TextEncoding::Korean);
    ASSERT_TRUE(jjang.ok());
    EXPECT_EQ(jjang.value(), "\xC2\xAF");
    EXPECT_TRUE(ReadsAsUtf8(jjang.value())) << "the remastered game shows it as a macron";
    EXPECT_FALSE(ReadsAsUtf8(Codec().Encode("한", TextEncoding::Korean).value()));
    EXPECT_FALSE(ReadsAsUtf8("plain"));
}

TEST(ScenarioText, StoresEditedTextWithItsTags) {
    const auto stored = Codec().Store("<7>한글 <<1> <9>\r\n", TextEncoding::Korean);
    ASSERT_TRUE(stored.ok()) << stored.error();
    EXPECT_EQ(stored.value(), "\x07\xC7\xD1\xB1\xDB <1> <9>\r\n");
    EXPECT_FALSE(Codec().Store("cut<00>short", TextEncoding::Western).ok())
        << "the table would end the string there";
}

// --- what the scenario refers to --------------------------------------------------------------------

TEST(ScenarioText, SoundNamesAndUnusedReferencesAreNoEvidence) {
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    chk.Version = 205;
    const std::string korean = "\xC7\xD1\xB1\xDB";
    chk.Strings.Entries = {"Map",
                           korean + ".wav",
                           korean + "2.wav",
                           "Loc",
                           korean,
                           "Unit \xDC"
                           "ber",
                           korean + " unit",
                           "switch",
                           "said",
                           korean + " loc"};
    chk.ScenarioName = 1;
    chk.Wavs[0] = 2;
    chk.Locations[1] = {0, 0, 32, 32, 4, 0, true};
    chk.Locations[2] = {0, 0, 0, 0, 10, 0, true}; // no rectangle
    chk.Unix[0] = 0;                              // unit 0 has its own name
    chk.Unix[3192] = 6;
    chk.Unix[1] = 1; // unit 1 uses its defaults
    chk.Unix[3194] = 7;
    chk.Unis[2] = 0; // UNIS is not what a Brood War map uses
    chk.Unis[3196] = 5;
    chk.SwitchNames[3] = 8;
    chk.Triggers.assign(2400, 0);
    auto action = [&chk](std::size_t i, std::uint32_t text, std::uint32_t sound, std::uint8_t id) {
        const std::size_t at = 320 + 32 * i;
        for (int k = 0; k < 4; ++k) {
            chk.Triggers[at + 4 + k] = static_cast<std::uint8_t>(text >> (8 * k));
            chk.Triggers[at + 8 + k] = static_cast<std::uint8_t>(sound >> (8 * k));
        }
        chk.Triggers[at + 0x1A] = id;
    };
    action(0, 9, 3, 7);  // transmission: text and sound
    action(1, 5, 3, 8);  // play sound: its text field is no text
    action(63, 3, 0, 9); // display text: the last action of the record

    EXPECT_EQ(TextStringNumbers(chk), (std::vector<std::uint32_t>{1, 3, 4, 6, 8, 9}));
    const CodePageGuess guess = DetectCodePage(chk, Codec());
    EXPECT_EQ(guess.Legacy, TextEncoding::Korean);
    EXPECT_EQ(guess.Counts[ByteClass::Korean], 1) << "string 3";
    EXPECT_EQ(guess.Counts[ByteClass::Western], 1) << "string 6";

    chk.Triggers[320 + 32 * 63 + 0x1A] = 8;
    const CodePageGuess withoutSound = DetectCodePage(chk, Codec());
    EXPECT_EQ(withoutSound.Counts[ByteClass::Korean], 0);
    EXPECT_EQ(withoutSound.Legacy, TextEncoding::Western) << "the Korean names are sound files";
}

TEST(ScenarioText, AnAsciiMapInARemasteredFormatWritesUtf8) {
    test::RecordingPrompter prompter;
    TCHK chk(prompter);
    chk.Strings.Entries = {"Plain"};
    chk.ScenarioName = 1;
    chk.Version = 205;
    EXPECT_EQ(DetectCodePage(chk, Codec()).Write, std::nullopt);
    chk.Version = 206;
    EXPECT_EQ(DetectCodePage(chk, Codec()).Write, TextEncoding::Utf8);
}

// --- a map's text ---------------------------------------------------------------------------------

// A scenario whose name is `name`, in a format that does not decide the encoding of new text.
TCHK NamedScenario(test::RecordingPrompter& prompter, const std::string& name) {
    TCHK chk(prompter);
    chk.Version = 205;
    chk.Strings.Entries = {name};
    chk.ScenarioName = 1;
    return chk;
}

TEST(MapText, TypedTextIsWrittenInTheMapsEncodingOrRefusedWithUtf8Offered) {
    test::RecordingPrompter prompter;
    TMapText korean(NamedScenario(prompter, "\xC7\xD1\xB1\xDB"));
    EXPECT_EQ(korean.WriteEncoding(), TextEncoding::Korean);
    EXPECT_EQ(korean.Enter("기지 <1>", true, prompter), "\xB1\xE2\xC1\xF6 \x01");

    TMapText western(NamedScenario(prompter, "Caf\xE9"));
    EXPECT_EQ(western.ShowString(NamedScenario(prompter, "Caf\xE9"), 1), "Café");
    EXPECT_EQ(western.Enter("Élan", false, prompter), "\xC9lan");

    // Korean typed into a Western map: the edit stops unless the user takes UTF-8.
    ASSERT_TRUE(std::holds_alternative<TMapText::Refused>(western.Store("기지", false)));
    EXPECT_TRUE(std::get<TMapText::Refused>(western.Store("기지", false)).OfferUtf8);
    prompter.choices = {Prompter::Answer::No};
    EXPECT_EQ(western.Enter("기지", false, prompter), std::nullopt);
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_NE(prompter.asked[0].find("\"기\""), std::string::npos) << prompter.asked[0];
    EXPECT_NE(prompter.asked[0].find("UTF-8"), std::string::npos) << prompter.asked[0];
    EXPECT_EQ(western.WriteEncoding(), TextEncoding::Western) << "a refusal changes nothing";
    prompter.choices = {Prompter::Answer::Yes};
    EXPECT_EQ(western.Enter("기지", false, prompter), "기지");
    EXPECT_EQ(western.WriteEncoding(), TextEncoding::Utf8);
    EXPECT_EQ(western.ShownPage(), TextEncoding::Western) << "other strings show as before";

    // What no encoding can store is refused without the offer.
    prompter.asked.clear();
    EXPECT_EQ(korean.Enter("cut<00>short", true, prompter), std::nullopt);
    EXPECT_TRUE(prompter.asked.empty());
    EXPECT_FALSE(prompter.messages.empty());
}

TEST(MapText, KoreanBytesThatReadAsUtf8AreStoredWithAWarning) {
    test::RecordingPrompter prompter;
    TMapText korean(NamedScenario(prompter, "\xC7\xD1\xB1\xDB"));
    EXPECT_EQ(korean.Enter("짱", false, prompter), "\xC2\xAF");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_NE(prompter.messages[0].find("UTF-8"), std::string::npos) << prompter.messages[0];
    EXPECT_EQ(korean.Enter("한", false, prompter), "\xC7\xD1");
    EXPECT_EQ(prompter.messages.size(), 1u) << "no warning for bytes that are not UTF-8";
}

TEST(MapText, TheFirstTextThatNeedsACodePageDecidesAnAsciiMaps) {
    test::RecordingPrompter prompter;
    const TCHK chk = NamedScenario(prompter, "Plain");
    TMapText text(chk);
    EXPECT_EQ(text.WriteEncoding(), std::nullopt);
    EXPECT_EQ(text.Enter("Base 1", false, prompter), "Base 1");
    EXPECT_EQ(text.WriteEncoding(), std::nullopt) << "ASCII decides nothing";
    EXPECT_EQ(text.Enter("한", false, prompter), "\xC7\xD1");
    EXPECT_EQ(text.WriteEncoding(), TextEncoding::Korean);
    EXPECT_EQ(text.ShownPage(), TextEncoding::Korean);

    TMapText western(chk);
    EXPECT_EQ(western.Enter("é", false, prompter), "\xE9");
    EXPECT_EQ(western.WriteEncoding(), TextEncoding::Western);
}

TEST(MapText, TheUsersChoiceChangesHowStringsShow) {
    test::RecordingPrompter prompter;
    // Letter pairs that read as hanja in Korean: a Western guess.
    const TCHK chk = NamedScenario(prompter, "\xE4\xE4");
    TMapText text(chk);
    EXPECT_EQ(text.ShowString(chk, 1), "ää");
    text.Choose(TextEncoding::Korean);
    EXPECT_NE(text.ShowString(chk, 1), "ää");
    EXPECT_EQ(std::get<TMapText::Stored>(text.Store(text.ShowString(chk, 1), false)).Bytes, "\xE4\xE4");
    EXPECT_EQ(text.ShowString(chk, 0), "");
    EXPECT_EQ(text.ShowString(chk, 7), "") << "past the table";
}

// --- the corpus -----------------------------------------------------------------------------------

struct Expected {
    std::optional<TextEncoding> legacy;
    std::optional<TextEncoding> write;
    int evidence;
    std::array<int, 7> counts; // A U K Ks Wp W Wj
    const char* name;          // as shown, with tags
    const char* description;   // its first line as shown
};

constexpr auto K = TextEncoding::Korean;
constexpr auto W = TextEncoding::Western;
constexpr auto U = TextEncoding::Utf8;

// The scenarios whose referenced strings hold non-ASCII bytes; every other one is ASCII.
const std::map<std::string, Expected>& ExpectedText() {
    static const std::map<std::string, Expected> table = {
        {"desert_strike_angel_7.4.3a",
         {K,
          K,
          338,
          {262, 1, 45, 15, 13, 1, 1},
          "DSA 7.4.3a |Desert Strike Angel",
          "『天使風暴™/천사 폭풍™/DSA™』"}},
        {"empire_of_the_sun_4p",
         {K, K, 8, {5, 0, 3, 0, 0, 0, 0}, "<7>태양의 제국 <5>1.0", "찬란한 제국에 새벽이 밝아오면"}},
        {"fighting_spirit_4p",
         {K, K, 7, {6, 0, 1, 0, 0, 0, 0}, "| iCCup | Fighting Spirit 1.3", "Green Tea, want some?"}},
        {"forces", {W, W, 2, {1, 0, 0, 0, 1, 0, 0}, "<3>Fa§te§t<4>SPACE<7>NaStY", "NIGGER PLZ"}},
        {"heartbreak_ridge_2p",
         {K,
          K,
          8,
          {5, 0, 3, 0, 0, 0, 0},
          "<7>단장의 <6>능선 <5>1.1",
          "초연히 쓸고간 깊은 계곡 깊은 계곡 양지녘에 비바람 긴세월로 이름모를 이름모를 비목이여 먼고향 "
          "초동친구 "
          "두고 온 하늘가 그리워 마디마디 이끼되어 맺혔네."}},
        {"imploded", {K, K, 72, {37, 0, 35, 0, 0, 0, 0}, "<1>Impossible 1 Vulture", "<6>벌쳐 컨트롤"}},
        {"impossible_scen_future",
         {W,
          W,
          179,
          {175, 0, 0, 0, 0, 4, 0},
          "Impossible Scen. <4>Future <5>v 2.0",
          "created by Eathen_)-(unt & Aguan"}},
        {"korean_encoding_2_192",
         {K,
          K,
          162,
          {10, 0, 151, 0, 0, 0, 1},
          "<7>[1950]<4>6.25<7>War <4>of Korea[2v2]",
          "<7>공식 사이트 : http://cafe.naver.com/f6cc"}},
        {"la_mancha_1.1_4p",
         {K, K, 8, {7, 0, 1, 0, 0, 0, 0}, "<3>La <6>Mancha <5>1.1", "'라 만차'의 풍차를 향해서"}},
        {"mixed_encoding_1",
         {K, U, 180, {101, 65, 14, 0, 0, 0, 0}, "<6>피아노<3> 마스터<4>v5.3A", "제작 : 믹넛 TTNSM / korea"}},
        {"negative_offsets",
         {W,
          W,
          1024,
          {1022, 0, 0, 0, 2, 0, 0},
          "<3>D<4>odge <3>D<4>efence <5>2 V5",
          "Another remake because the other one i made was shit (like all others)"}},
        {"ococ_bound_2_p", {K, K, 1023, {816, 0, 206, 1, 0, 0, 0}, "<3>O<6>c<4>O<6>c <2>B<6>ound <7>2", ""}},
        {"protected_0",
         {K, K, 223, {221, 0, 2, 0, 0, 0, 0}, "<4>개인<3>랜덤<4>디펜스<5>[Gold]", " Final Version"}},
        {"protected_2",
         {W,
          W,
          221,
          {220, 0, 0, 0, 0, 0, 1},
          "<6>E<2>thereal <6>D<2>efense",
          "Created By: CecilSunkure @USW"}},
        {"protected_4",
         {K, K, 163, {96, 0, 67, 0, 0, 0, 0}, "<2>컴<6>퓨터 <3>디펜스 <7>II <5>v1.6", "서버 : Asia"}},
        {"protected_6",
         {W,
          W,
          302,
          {300, 0, 0, 0, 0, 2, 0},
          "<6>R<2>P<8>:<3> M<4>arissa <6>[BETA]",
          "Yeldimhäs V-3 Console by : Shmidley"}},
        {"scout_mode2_installation",
         {W, W, 7, {5, 0, 0, 0, 0, 2, 0}, "Scenario Sans Nom", "Detruire tous les bâtiments ennemis"}},
        {"secret_bound",
         {W,
          W,
          267,
          {266, 0, 0, 0, 0, 1, 0},
          "<5>Secret Bound",
          "Its just another bound except with secrets so look for them!!!!"}},
        {"sections",
         {K,
          K,
          336,
          {258, 0, 78, 0, 0, 0, 0},
          "<4>S.A.T. <6>Control <7>2 <3>[1.1]",
          "Single And Team Control 2"}},
        {"tau_cross_3p",
         {K, K, 8, {7, 0, 1, 0, 0, 0, 0}, "<3>Tau <6>Cross <5>1.1", "Suggested Players: 2-3"}},
        {"utf8_encoding_1",
         {std::nullopt,
          U,
          9,
          {8, 1, 0, 0, 0, 0, 0},
          "<5>G<6>OOD <5>N<6>IGHT <5>1.31",
          "Fall asleep in the mirror,"}},
        {"western_encoding_w1_256", {W, W, 126, {106, 0, 0, 0, 2, 18, 0}, "tappajat", "buggeli2"}},
        {"western_encoding_w2_128x192", {W, W, 43, {40, 0, 0, 0, 0, 0, 3}, "VULTURE MICRO HARD", ":Ð"}},
    };
    return table;
}

std::vector<std::filesystem::path> CorpusScenarioFiles() {
    std::vector<std::filesystem::path> paths = test::CorpusArchives();
    const auto dir = test::CorpusDir() / "chk";
    if (std::filesystem::is_directory(dir)) {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            paths.push_back(entry.path());
        }
    }
    return paths;
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

TEST(ScenarioTextCorpus, GuessesEachMapsCodePageAndShowsItsNameAndDescription) {
    ORV_REQUIRE_CORPUS();
    std::set<std::string> seen;
    int asciiMaps = 0;
    for (const auto& path : CorpusScenarioFiles()) {
        test::RecordingPrompter prompter;
        TCHK chk(prompter);
        if (!chk.LoadFromFile(path.string())) {
            continue; // damaged archives are tested elsewhere
        }
        const std::string map = path.stem().string();
        const CodePageGuess guess = DetectCodePage(chk, Codec());
        const auto name = Codec().Show(chk.Strings.Text(chk.ScenarioName), guess.ShownPage()).Text;
        const auto description =
            Codec().Show(chk.Strings.Text(chk.ScenarioDescription), guess.ShownPage()).Text;
        const auto expected = ExpectedText().find(map);
        if (expected == ExpectedText().end()) {
            ++asciiMaps;
            EXPECT_EQ(guess.Legacy, std::nullopt) << map;
            EXPECT_EQ(guess.Counts[ByteClass::Ascii], static_cast<int>(TextStringNumbers(chk).size())) << map;
            continue;
        }
        seen.insert(map);
        const Expected& e = expected->second;
        EXPECT_EQ(guess.Legacy, e.legacy) << map;
        EXPECT_EQ(guess.Write, e.write) << map;
        EXPECT_EQ(static_cast<int>(TextStringNumbers(chk).size()), e.evidence) << map;
        EXPECT_EQ(guess.Counts.Of, e.counts) << map;
        EXPECT_EQ(name, e.name) << map;
        EXPECT_EQ(FirstLine(description), e.description) << map;
    }
    EXPECT_EQ(seen.size(), ExpectedText().size()) << "a corpus scenario did not load";
    EXPECT_GE(asciiMaps, 27);
}

TEST(ScenarioTextCorpus, EveryStringComesBackFromItsTextUnchanged) {
    ORV_REQUIRE_CORPUS();
    int strings = 0;
    for (const auto& path : CorpusScenarioFiles()) {
        test::RecordingPrompter prompter;
        TCHK chk(prompter);
        if (!chk.LoadFromFile(path.string())) {
            continue;
        }
        const TextEncoding page = DetectCodePage(chk, Codec()).ShownPage();
        for (const std::string& bytes : chk.Strings.Entries) {
            const auto shown = Codec().Show(bytes, page);
            const auto stored = Codec().Store(shown.Text, shown.ShownAs);
            ASSERT_TRUE(stored.ok()) << path.filename() << ": " << stored.error();
            ASSERT_EQ(stored.value(), bytes) << path.filename() << ": " << Hex(bytes);
            ++strings;
        }
    }
    EXPECT_GT(strings, 5000);
}

} // namespace
} // namespace orv
