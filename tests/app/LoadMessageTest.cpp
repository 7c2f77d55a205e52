#include "app/LoadMessage.h"

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "app/LanguageId.h"
#include "app/TextEncoding.h"
#include "app/TextIds.h"
#include "app/strings/StringTables.h"
#include "support/TempDir.h"

namespace devio::app {
namespace {

// The locale variables as a test sets them; the others are removed.
struct ScopedLocale {
    ScopedLocale(const char* all, const char* messages, const char* lang)
        : all_("LC_ALL", all), messages_("LC_MESSAGES", messages), lang_("LANG", lang) {}
    test::ScopedEnv all_, messages_, lang_;
};

TEST(LanguageId, LocaleNamesMapToTheirTables) {
    struct Case {
        const char* locale;
        uint16_t id;
    } cases[] = {
        {"de_DE.UTF-8", 0x0407},
        {"de", 0x0407},
        {"fr_FR@euro", 0x040C},
        {"zh_TW.UTF-8", 0x0404},
        {"zh_CN.GB18030", 0x0804},
        {"zh", 0x0804},
        {"pt_PT", 0x0816},
        {"nb_NO.UTF-8", 0x0414},
        {"no_NO", 0x0414},
        {"es_ES.UTF-8", 0x0C0A},
        {"ja_JP.eucJP", 0x0411},
        {"sv-SE", 0x041D},
        {"EN_us", 0x0409},
        {"el_GR.UTF-8", 0},
        {"pt_BR", 0},
        {"C", 0},
        {"POSIX", 0},
        {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LanguageIdFromLocaleName(c.locale), c.id) << c.locale;
    }
}

TEST(LanguageId, LcAllThenLcMessagesThenLang) {
    {
        ScopedLocale locale("de_DE.UTF-8", "fr_FR.UTF-8", "it_IT.UTF-8");
        EXPECT_EQ(ThreadLanguageId(), 0x0407);
    }
    {
        ScopedLocale locale("", "fr_FR.UTF-8", "it_IT.UTF-8");
        EXPECT_EQ(ThreadLanguageId(), 0x040C);
    }
    {
        ScopedLocale locale(nullptr, nullptr, "it_IT.UTF-8");
        EXPECT_EQ(ThreadLanguageId(), 0x0410);
    }
    {
        ScopedLocale locale(nullptr, nullptr, nullptr);
        EXPECT_EQ(ThreadLanguageId(), 0);
    }
}

TEST(LoadMessage, EnglishTextsHaveTheProductNameAndVersionPutIn) {
    ScopedLocale locale("en_US.UTF-8", nullptr, nullptr);
    EXPECT_EQ(LoadMessage(kTextTitle),
              "Varkon Vantor Veloxa Wireless Gaming Mouse Update Tool v8.6.28");
    EXPECT_EQ("* " + LoadMessage(kTextReleaseNoteScrolling),
              "* Fix intermittent scrolling issues experienced on some Vantor Veloxa Wireless "
              "Gaming Mouse");
    EXPECT_EQ(LoadMessage(kTextUpToDate),
              "Your device has firmware v8.6.28 or higher. No update is needed.");
    EXPECT_EQ(LoadMessage(kTextNotConnected),
              "Please make sure your device is connected with the receiver and NOT via "
              "Bluetooth.\nTurn your device OFF and then ON.");
    EXPECT_NE(LoadMessage(kTextContactSupport).find("https://support.varkon.example/vantor"),
              std::string::npos);
    EXPECT_EQ(LoadMessage(101), "");
    EXPECT_EQ(LoadMessage(9999), "");
}

TEST(LoadMessage, LocaleChoosesTheTableAndFallsBackToEnglish) {
    const std::string english = "Varkon Vantor Veloxa Wireless Gaming Mouse Update Tool v8.6.28";
    struct Case {
        const char* locale;
        std::string title;
    } cases[] = {
        {"de_DE.UTF-8", "Varkon Vantor Veloxa Wireless Gaming Mouse Update-Tool v8.6.28"},
        {"el_GR.UTF-8", english},
        {"pt_BR.UTF-8", english},
        {"C", english},
        {"zh_TW.UTF-8", "Varkon Vantor Veloxa Wireless Gaming Mouse 更新工具 v8.6.28"},
        {"zh_CN.UTF-8", "Varkon Vantor Veloxa Wireless Gaming Mouse 更新工具 v8.6.28"},
        {"pt_PT.UTF-8",
         "Ferramenta de atualização Varkon Vantor Veloxa Wireless Gaming Mouse v8.6.28"},
        {"nb_NO.UTF-8", "Varkon Vantor Veloxa Wireless Gaming Mouse oppdateringsverktøy v8.6.28"},
    };
    for (const Case& c : cases) {
        ScopedLocale locale(c.locale, nullptr, nullptr);
        EXPECT_EQ(LoadMessage(kTextTitle), c.title) << c.locale;
    }
    // Traditional and simplified Chinese differ where their scripts do.
    EXPECT_EQ(LoadMessage(kTextClose, 0x0404), "關閉");
    EXPECT_EQ(LoadMessage(kTextClose, 0x0804), "关闭");

    ScopedLocale german("de_DE.UTF-8", nullptr, nullptr);
    EXPECT_EQ(LoadMessage(kTextClose), "Schließen");
    EXPECT_EQ(LoadMessage(kTextStart), "Starten");
}

TEST(LoadMessage, NeutralSublanguageTableMatchesAnyRegion) {
    // The English table is stored language-neutral, so every English region finds it.
    EXPECT_EQ(LoadMessage(kTextClose, 0x0809), "Close"); // English (United Kingdom)
    EXPECT_EQ(LoadMessage(kTextClose, 0x0009), "Close");
    EXPECT_EQ(LoadMessage(kTextClose, 0x0C07), "Close"); // German (Austria): no table of its own
}

size_t Count(std::string_view text, std::string_view key) {
    size_t count = 0;
    for (size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
        ++count;
    }
    return count;
}

// Every language holds the same texts as English with the same placeholders and line breaks, in
// valid UTF-8, under the language ids the tool's languages have.
TEST(StringTables, EveryLanguageIsCompleteAndKeepsPlaceholdersAndLineBreaks) {
    auto tables = strings::AllStringTables();
    const strings::StringTable& english = *tables.front();
    ASSERT_EQ(english.languageId, 0x0009);
    ASSERT_EQ(english.entries.size(), 22u);

    std::set<uint16_t> ids;
    for (const strings::StringTable* table : tables) {
        ids.insert(table->languageId);
        SCOPED_TRACE(table->languageId);
        ASSERT_EQ(table->entries.size(), english.entries.size());
        for (size_t i = 0; i < english.entries.size(); ++i) {
            const strings::StringEntry& ours = table->entries[i];
            const strings::StringEntry& theirs = english.entries[i];
            SCOPED_TRACE(ours.id);
            ASSERT_EQ(ours.id, theirs.id);
            ASSERT_FALSE(ours.text.empty());
            std::wstring wide = WideFromUtf8(ours.text);
            EXPECT_TRUE(std::none_of(wide.begin(), wide.end(), [](wchar_t c) {
                return c >= 0xDC80 && c <= 0xDCFF;
            })) << "not valid UTF-8";
            for (std::string_view key : {"%%DFU_PRODUCT_NAME%%", "%%DFU_PACKAGE_VERSION%%", "\n",
                                         "\r", "https://support.varkon.example/vantor"}) {
                EXPECT_EQ(Count(ours.text, key), Count(theirs.text, key)) << key;
            }
            if (table != &english && theirs.text.size() > 12) {
                EXPECT_NE(ours.text, theirs.text) << "left untranslated";
            }
        }
    }
    EXPECT_EQ(ids,
              (std::set<uint16_t>{0x0009, 1028, 1029, 1030, 1031, 1035, 1036, 1038, 1040, 1041,
                                  1042,   1043, 1044, 1045, 1049, 1053, 1055, 2052, 2070, 3082}));
}

} // namespace
} // namespace devio::app
