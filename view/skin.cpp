// Skin templates: reading them, and the default skin.
#include "view/skin.h"

#include "base/programdir.h"
#include "base/textfile.h"
#include "settings/settings.h"
#include "view/texttransform.h"

namespace view {

namespace {

constexpr const char *kRequiredFiles[] = {kHeaderFile, kResFile, kNewResFile, kFooterFile};

std::string Join(std::initializer_list<std::string> lines)
{
    return base::JoinLines(base::Lines(lines));
}

// The message line of "Res.html" and "NewRes.html": the number link ("Res" anchor, the scroll
// target after a load, and "pop:", which opens the message menu), the author linked to the
// profile server, the date, the reply link, the title and the text. "<REPLYCOUNT/>" is not in
// it: the default skin stays the one users' own skins were copied from, and a skin may add it.
std::string MessageLine(std::string_view numberPart, std::string_view profileBase)
{
    std::string line(numberPart);
    line += kPosterLabel;
    line += "<b><a href=\"";
    line += profileBase;
    line += "<NAME/>\"><NAME/></a></b> ";
    line += kPostedAtLabel;
    line += "<DATE/><dd><a href=\"<RESURL/>\"><RESNUMBER/></a> <b><TITLE/></b></b><br><br><MESSAGE/><br><br>";
    return line;
}

/// The default header with the given style sheet.
std::string HeaderWithStyle(std::string_view style)
{
    const std::string face = settings::kDefaultFontName; // ＭＳ Ｐゴシック
    return Join({
        "<html lang=ja><head>",
        "<style type=\"text/css\">" + std::string(style) + "</style>",
        "</head><body>",
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">",
        "<font face=\"" + face + "\"><dl>",
    });
}

} // namespace

std::string DefaultHeader()
{
    return HeaderWithStyle("body {word-break : break-all;}");
}

std::string DefaultDarkHeader()
{
    return HeaderWithStyle("body {word-break : break-all; background-color : #202124; color : #e0e0e0;} "
                           "a {color : #8ab4f8;} a:visited {color : #c58af9;}");
}

std::string ReadTemplate(const std::string &path)
{
    const std::optional<base::Lines> lines = base::ReadLines(path);
    return lines ? base::JoinLines(*lines) : std::string();
}

Skin ReadSkin(const std::string &dir)
{
    Skin skin;
    skin.header = ReadTemplate(base::JoinPath(dir, kHeaderFile));
    skin.res = ReadTemplate(base::JoinPath(dir, kResFile));
    skin.newRes = ReadTemplate(base::JoinPath(dir, kNewResFile));
    skin.res2 = ReadTemplate(base::JoinPath(dir, kRes2File));
    skin.newRes2 = ReadTemplate(base::JoinPath(dir, kNewRes2File));
    skin.footer = ReadTemplate(base::JoinPath(dir, kFooterFile));
    return skin;
}

std::string ProgramSkinDir(const std::string &programDir)
{
    return base::JoinPath(programDir, "skin");
}

std::vector<std::pair<std::string, std::string>> DefaultSkinFiles(std::string_view profileBase)
{
    const std::string header = DefaultHeader();
    const std::string res =
        Join({MessageLine("<dt><a name=\"Res<NUMBER/>\" href=\"pop:<NUMBER/>\"><NUMBER/></a> ", profileBase)});
    const std::string newRes = Join(
        {MessageLine("<dt><b><a name=\"Res<NUMBER/>\" href=\"pop:<NUMBER/>\"><NUMBER/></a></b> ", profileBase)});
    return {
        {kHeaderFile, header},
        {kResFile, res},
        {kNewResFile, newRes},
        {kFooterFile, Join({"</dl></font></body>"})},
    };
}

bool WriteDefaultSkin(const std::string &dir, std::string_view profileBase, std::string *error)
{
    if (!base::MakeDirs(dir)) {
        if (error)
            *error = "cannot create " + dir;
        return false;
    }
    for (const auto &[name, content] : DefaultSkinFiles(profileBase)) {
        const std::string path = base::JoinPath(dir, name);
        if (!base::WriteFileAtomic(path, content)) {
            if (error)
                *error = "cannot write " + path;
            return false;
        }
    }
    return true;
}

SkinStatus EnsureSkin(const std::string &dir, const std::string &programDir, std::string_view profileBase,
                      std::string *error)
{
    bool complete = !dir.empty();
    for (const char *name : kRequiredFiles)
        complete = complete && base::FileExists(base::JoinPath(dir, name));
    if (complete)
        return SkinStatus::Present;
    return WriteDefaultSkin(ProgramSkinDir(programDir), profileBase, error) ? SkinStatus::DefaultWritten
                                                                            : SkinStatus::WriteFailed;
}

} // namespace view
