// Reading and writing every key of the settings file. Each key is named once, in VisitKeys,
// for both directions.
#include "settings/settings.h"

#include <string_view>
#include <type_traits>

namespace settings {

Settings DefaultSettings(const std::string &programDir)
{
    Settings s;
    s.path.log = programDir + "log";
    s.path.skin = programDir + "skin";
    s.path.plugin = programDir + "Hakobune.so";
    return s;
}

namespace {

/// Reads each visited key into the value it is given; the value's present content is the
/// default.
class Reader {
public:
    explicit Reader(const IniFile &ini) : m_ini(ini) {}

    void section(const char *name) { m_section = name; }
    void boolean(std::string_view key, bool &v) { v = m_ini.readBool(m_section, key, v); }
    void integer(std::string_view key, int &v) { v = m_ini.readInt(m_section, key, v); }
    void text(std::string_view key, std::string &v) { v = m_ini.readString(m_section, key, v); }
    void list(std::string_view key, std::vector<std::string> &v)
    {
        if (auto raw = m_ini.value(m_section, key))
            v = ParseCommaList(*raw);
    }
    void optionalInt(std::string_view key, std::optional<int> &v, bool /*writable*/)
    {
        if (m_ini.hasKey(m_section, key))
            v = m_ini.readInt(m_section, key, v.value_or(0));
    }

private:
    const IniFile &m_ini;
    std::string_view m_section;
};

class Writer {
public:
    explicit Writer(IniFile &ini) : m_ini(ini) {}

    void section(const char *name) { m_section = name; }
    void boolean(std::string_view key, bool v) { m_ini.writeBool(m_section, key, v); }
    void integer(std::string_view key, int v) { m_ini.writeInt(m_section, key, v); }
    void text(std::string_view key, const std::string &v) { m_ini.writeString(m_section, key, v); }
    void list(std::string_view key, const std::vector<std::string> &v)
    {
        m_ini.writeString(m_section, key, FormatCommaList(v));
    }
    void optionalInt(std::string_view key, const std::optional<int> &v, bool writable)
    {
        if (writable && v)
            m_ini.writeInt(m_section, key, *v);
    }

private:
    IniFile &m_ini;
    std::string_view m_section;
};

template <typename Io, typename Font>
void visitFont(Io &io, const std::string &prefix, Font &f)
{
    io.text(prefix + "_name", f.name);
    io.boolean(prefix + "_bold", f.bold);
    io.boolean(prefix + "_italic", f.italic);
    io.boolean(prefix + "_underline", f.underline);
    io.boolean(prefix + "_strikeout", f.strikeout);
    io.integer(prefix + "_height", f.height);
    io.integer(prefix + "_pitch", f.pitch);
    io.integer(prefix + "_color", f.color);
}

template <typename Io, typename Strip>
void visitStrip(Io &io, const std::string &prefix, Strip &t)
{
    io.integer(prefix + "_width", t.width);
    io.integer(prefix + "_height", t.height);
    io.boolean(prefix + "_bottom", t.bottom);
    io.integer(prefix + "_style", t.style);
}

/// Every key except [coolbar], in file order. S is Settings or const Settings.
template <typename Io, typename S>
void VisitKeys(Io &io, S &s)
{
    io.section("general");
    io.boolean("online", s.general.online);
    io.integer("msgview", s.general.msgview);
    io.boolean("popres", s.general.popres);
    io.boolean("yahoourl", s.general.yahoourl);
    io.boolean("tree_opennode", s.general.treeOpenNode);
    io.boolean("tree_guide", s.general.treeGuide);
    io.boolean("tree_buttons", s.general.treeButtons);
    io.boolean("sort", s.general.sort);

    io.section("path");
    io.text("browser", s.path.browser);
    io.text("log", s.path.log);
    io.text("skin", s.path.skin);
    io.text("plugin", s.path.plugin);

    io.section("tab");
    visitStrip(io, "thrlst", s.tab.topicList);
    visitStrip(io, "thr", s.tab.topic);
    io.boolean("thrlst_favorite", s.tab.thrlstFavorite);
    io.boolean("icon", s.tab.icon);
    io.boolean("restoration", s.tab.restoration);
    io.boolean("multi", s.tab.multi);
    io.boolean("wheel", s.tab.wheel);
    io.boolean("middle", s.tab.middle);
    io.boolean("reload", s.tab.reload);

    io.section("design");
    io.integer("tree_background", s.design.treeBackground);
    visitFont(io, "tree_font", s.design.treeFont);
    io.integer("thrlst_background", s.design.thrlstBackground);
    visitFont(io, "thrlst_font", s.design.thrlstFont);
    io.boolean("thrlst_sep", s.design.thrlstSep);
    io.integer("thrlst_odd", s.design.thrlstOdd);
    io.integer("thrlst_even", s.design.thrlstEven);
    io.integer("respop_bk_color", s.design.respopBkColor);
    visitFont(io, "respop_font", s.design.respopFont);

    io.section("action");
    io.integer("ctg_click", s.action.ctgClick);
    io.integer("ctg_dblclick", s.action.ctgDblClick);
    io.integer("thrlst_click", s.action.thrlstClick);
    io.integer("thrlst_dblclick", s.action.thrlstDblClick);

    io.section("network");
    io.boolean("proxy", s.network.proxy);
    io.text("proxy_server", s.network.proxyServer);
    io.integer("proxy_port", s.network.proxyPort);
    io.integer("thread_max", s.network.threadMax);
    io.integer("retry", s.network.retry);
    io.integer("resretry", s.network.resretry);
    io.integer("timeout", s.network.timeout);
    io.integer("posttimeout", s.network.posttimeout);
    io.list("dl_count", s.network.dlCount);
    io.integer("dl_count_index", s.network.dlCountIndex);
    io.boolean("dl_new", s.network.dlNew);

    io.section("login");
    io.text("id", s.login.id);
    io.text("pass", s.login.pass);
    io.boolean("hide", s.login.hide);
    io.boolean("start", s.login.start);

    io.section("form");
    io.optionalInt("form_state", s.form.state, true);
    // A maximised window keeps its last normal position in the file.
    bool normal = s.form.state.value_or(0) != 2;
    io.optionalInt("form_top", s.form.top, normal);
    io.optionalInt("form_left", s.form.left, normal);
    io.optionalInt("form_height", s.form.height, normal);
    io.optionalInt("form_width", s.form.width, normal);
    io.optionalInt("ctg_height", s.form.ctgHeight, true);
    io.optionalInt("ctg_width", s.form.ctgWidth, true);
    io.optionalInt("thrlst_height", s.form.thrlstHeight, true);
    io.optionalInt("thrlst_width", s.form.thrlstWidth, true);
    io.optionalInt("thr_height", s.form.thrHeight, true);
    io.optionalInt("thr_width", s.form.thrWidth, true);
    io.boolean("ctg_visible", s.form.ctgVisible);
    io.boolean("ThrLst_visible", s.form.thrlstVisible);
    io.boolean("Thr_visible", s.form.thrVisible);
    io.boolean("type_visible", s.form.typeVisible);
    io.integer("pane_width", s.form.paneWidth);
    io.integer("pane_height", s.form.paneHeight);

    io.section("column");
    for (std::size_t i = 0; i < s.columnWidths.size(); ++i)
        io.integer("width" + std::to_string(i), s.columnWidths[i]);

    io.section("conversion");
    io.integer("output", s.conversion.output);
    io.boolean("write", s.conversion.write);

    io.section("endpoint");
    io.text("post", s.endpoint.post);
    io.text("login", s.endpoint.login);
    io.text("verify", s.endpoint.verify);
    io.text("profile", s.endpoint.profile);
    io.text("domain", s.endpoint.domain);

    io.section("view");
    io.integer("zoom", s.view.zoom);
    io.boolean("ng_chain", s.view.ngChain);
}

constexpr const char kCoolbar[] = "coolbar";
// More positions than any bar has; reading stops at the first position with no key at all.
constexpr int kMaxBands = 64;

std::vector<BandLayout> readBands(const IniFile &ini, const std::string &prefix)
{
    std::vector<BandLayout> bands;
    for (int i = 0; i < kMaxBands; ++i) {
        std::string key = prefix + std::to_string(i);
        BandLayout band;
        if (ini.hasKey(kCoolbar, key + "_id"))
            band.id = ini.readInt(kCoolbar, key + "_id", i);
        if (ini.hasKey(kCoolbar, key))
            band.width = ini.readInt(kCoolbar, key, 0);
        if (ini.hasKey(kCoolbar, key + "_break"))
            band.lineBreak = ini.readBool(kCoolbar, key + "_break", false);
        if (!band.id && !band.width && !band.lineBreak)
            break;
        bands.push_back(band);
    }
    return bands;
}

void writeBands(IniFile &ini, const std::string &prefix, const std::vector<BandLayout> &bands)
{
    for (std::size_t i = 0; i < bands.size(); ++i) {
        std::string key = prefix + std::to_string(i);
        ini.writeInt(kCoolbar, key + "_id", bands[i].id.value_or(static_cast<int>(i)));
        if (bands[i].lineBreak)
            ini.writeBool(kCoolbar, key + "_break", *bands[i].lineBreak);
        if (bands[i].width)
            ini.writeInt(kCoolbar, key, *bands[i].width);
    }
}

} // namespace

void LoadSettings(const IniFile &ini, Settings &s, const std::string &programDir, bool full)
{
    CoolbarSettings keptBands = s.coolbar;
    s = DefaultSettings(programDir);
    Reader reader(ini);
    VisitKeys(reader, s);
    // Paths are appended to these bases, so a hand-written value without its final "/" would
    // run the host into the path ("http://hconfig/login").
    for (std::string *base : {&s.endpoint.post, &s.endpoint.login, &s.endpoint.profile})
        if (!base->empty() && base->back() != '/')
            *base += '/';
    if (full) {
        s.coolbar.main = readBands(ini, "main_band");
        s.coolbar.thr = readBands(ini, "thr_band");
    } else {
        s.coolbar = keptBands;
    }
}

void SaveSettings(IniFile &ini, const Settings &s)
{
    Writer writer(ini);
    VisitKeys(writer, s);
    writeBands(ini, "main_band", s.coolbar.main);
    writeBands(ini, "thr_band", s.coolbar.thr);
}

std::vector<std::string> ParseCommaList(std::string_view text)
{
    std::vector<std::string> items;
    auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && !isBlank(text[i]))
                item += text[i++];
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (i < text.size() && text[i] == ',') {
            ++i;
            skipBlanks();
            if (i == text.size())
                items.emplace_back(); // a trailing comma names one more, empty, item
        }
    }
    return items;
}

std::string FormatCommaList(const std::vector<std::string> &items)
{
    std::string out;
    for (std::size_t n = 0; n < items.size(); ++n) {
        if (n > 0)
            out += ',';
        const std::string &item = items[n];
        bool quote = item.empty();
        for (char c : item)
            if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"')
                quote = true;
        if (!quote) {
            out += item;
            continue;
        }
        out += '"';
        for (char c : item) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    return out;
}

} // namespace settings
