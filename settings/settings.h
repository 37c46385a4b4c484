// The in-memory settings: one value per key of nekomado.ini, with its default.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/inifile.h"

namespace settings {

/// Colours are 0x00BBGGRR; a value with the top bit set names a system colour.
inline constexpr int kColorWindow = static_cast<int>(0x80000005u);      ///< window background
inline constexpr int kColorWindowText = static_cast<int>(0x80000008u);  ///< window text
inline constexpr int kColorInfoBackground = static_cast<int>(0x80000018u); ///< tool-tip background

/// "ＭＳ Ｐゴシック", the stored default face of every font.
inline constexpr const char kDefaultFontName[] = "\x82\x6c\x82\x72\x20\x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

struct FontSetting {
    std::string name = kDefaultFontName;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    int height = -12; ///< negative: character height in pixels
    int pitch = 0;    ///< 0 default, 1 variable, 2 fixed
    int color = kColorWindowText;

    bool operator==(const FontSetting &) const = default;
};

struct GeneralSettings {
    bool online = true;
    int msgview = 100;
    bool popres = true;
    bool yahoourl = true;
    bool treeOpenNode = false;
    bool treeGuide = true;
    bool treeButtons = true;
    bool sort = false;
    bool operator==(const GeneralSettings &) const = default;
};

struct PathSettings {
    std::string browser;
    std::string log;    ///< default: program dir + "log"
    std::string skin;   ///< default: program dir + "skin"
    std::string plugin; ///< default: program dir + "Hakobune.so"
    bool operator==(const PathSettings &) const = default;
};

/// The layout of one tab strip.
struct TabStripSettings {
    int width = 0;  ///< fixed tab width; 0 = sized to the caption
    int height = 0; ///< fixed tab height; 0 = default
    bool bottom = false;
    int style = 0; ///< 0 tabs, 1 buttons, 2 flat buttons
    bool operator==(const TabStripSettings &) const = default;
};

struct TabSettings {
    TabStripSettings topicList; ///< keys "thrlst_…"
    TabStripSettings topic;     ///< keys "thr_…"
    bool thrlstFavorite = true;
    bool icon = false;
    bool restoration = false;
    bool multi = false;
    bool wheel = true;
    bool middle = false;
    bool reload = false;
    bool operator==(const TabSettings &) const = default;
};

struct DesignSettings {
    int treeBackground = 0xFFFFFF;
    FontSetting treeFont = [] {
        FontSetting f;
        f.height = -13;
        return f;
    }();
    int thrlstBackground = 0xFFFFFF;
    FontSetting thrlstFont;
    bool thrlstSep = false;
    int thrlstOdd = 0xC0DCC0;
    int thrlstEven = kColorWindow;
    int respopBkColor = kColorInfoBackground;
    FontSetting respopFont;
    bool operator==(const DesignSettings &) const = default;
};

/// Click behaviour: 0 active tab, 1 new tab, 2 local log in the active tab, 3 local log in a
/// new tab, anything else nothing.
struct ActionSettings {
    int ctgClick = 4;
    int ctgDblClick = 0;
    int thrlstClick = 4;
    int thrlstDblClick = 0;
    bool operator==(const ActionSettings &) const = default;
};

struct NetworkSettings {
    bool proxy = false;
    std::string proxyServer;
    int proxyPort = 0;
    int threadMax = 5;
    int retry = 3;
    int resretry = 1;
    int timeout = 3000;     ///< milliseconds per network wait
    int posttimeout = 3000; ///< milliseconds to wait after posting
    std::vector<std::string> dlCount = {"100", "500", "1000", "5000"};
    int dlCountIndex = 1; ///< 0 all messages, k the k-th entry of dlCount
    bool dlNew = false;
    bool operator==(const NetworkSettings &) const = default;
};

struct LoginSettings {
    std::string id;
    std::string pass; ///< plain text, hence the file's mode 0600
    bool hide = false;
    bool start = false;
    bool operator==(const LoginSettings &) const = default;
};

/// Window geometry. A missing value means "keep the window's current one", so these are
/// optional: the window fills them before a save and applies what is present after a load.
struct FormSettings {
    std::optional<int> state; ///< 0 normal, 1 minimised, 2 maximised
    std::optional<int> top, left, height, width;
    bool typeVisible = false;
    std::optional<int> ctgHeight, ctgWidth;
    std::optional<int> thrlstHeight, thrlstWidth;
    std::optional<int> thrHeight, thrWidth;
    bool ctgVisible = true;
    bool thrlstVisible = true;
    bool thrVisible = true;
    int paneWidth = 0;
    int paneHeight = 0;
    bool operator==(const FormSettings &) const = default;
};

/// One band position of a tool bar; missing parts keep the band's current value.
struct BandLayout {
    std::optional<int> id;
    std::optional<int> width;
    std::optional<bool> lineBreak;
    bool operator==(const BandLayout &) const = default;
};

struct CoolbarSettings {
    std::vector<BandLayout> main; ///< keys "main_band…"
    std::vector<BandLayout> thr;  ///< keys "thr_band…"
    bool operator==(const CoolbarSettings &) const = default;
};

struct ConversionSettings {
    int output = 1000;
    bool write = false;
    bool operator==(const ConversionSettings &) const = default;
};

/// The service endpoints; every base URL ends with "/".
struct EndpointSettings {
    std::string post = "http://post.messages.yahoo.co.jp/";
    std::string login = "http://login.yahoo.co.jp/";
    std::string verify = "http://login.yahoo.co.jp/config/verify";
    std::string profile = "http://profiles.yahoo.co.jp/";
    std::string domain = "yahoo.co.jp";
    bool operator==(const EndpointSettings &) const = default;
};

/// What the desktop program adds: the zoom of the topic view and the pop-ups, in per cent.
struct ViewSettings {
    int zoom = 100;
    bool ngChain = false; ///< the NG filter also hides the answers to hidden messages
    bool operator==(const ViewSettings &) const = default;
};

inline constexpr std::array<int, 8> kDefaultColumnWidths = {20, 30, 200, 50, 50, 50, 110, 110};

struct Settings {
    GeneralSettings general;
    PathSettings path;
    TabSettings tab;
    DesignSettings design;
    ActionSettings action;
    NetworkSettings network;
    LoginSettings login;
    FormSettings form;
    CoolbarSettings coolbar;
    std::array<int, 8> columnWidths = kDefaultColumnWidths;
    ConversionSettings conversion;
    EndpointSettings endpoint;
    ViewSettings view;
    bool operator==(const Settings &) const = default;
};

/// Every default; the paths depend on programDir, which ends with "/".
Settings DefaultSettings(const std::string &programDir);

/// Reads every key from ini into s, each missing or unreadable value taking its default. Only a
/// full load reads [coolbar]; otherwise s.coolbar is left as it is.
void LoadSettings(const IniFile &ini, Settings &s, const std::string &programDir, bool full);

/// Writes every key of s into ini, keeping whatever else ini holds. The window position is
/// written only while the window is not maximised, so the file keeps the last normal one.
void SaveSettings(IniFile &ini, const Settings &s);

/// The settings file's name in the program directory, and its mode: it holds a password.
inline constexpr const char kSettingsFileName[] = "nekomado.ini";
inline constexpr unsigned kSettingsFileMode = 0600;

/// Parses the `dl_count` list: items separated by commas or unquoted blanks; an item in double
/// quotes may hold blanks, commas and doubled quotes.
std::vector<std::string> ParseCommaList(std::string_view text);
/// The inverse: items joined by commas, those with a blank, comma or quote (or empty) quoted.
std::string FormatCommaList(const std::vector<std::string> &items);

} // namespace settings
