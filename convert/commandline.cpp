// nk-convert's options, the run and its exit codes.
#include "convert/commandline.h"

#include "base/programdir.h"
#include "base/textfile.h"
#include "convert/conversion.h"
#include "convert/converttexts.h"
#include "settings/inifile.h"
#include "settings/settings.h"

#include <iconv.h>
#include <optional>

namespace convert {

namespace {

constexpr const char kUsage[] =
    "usage: nk-convert --dat LOG.dat --html OUT.html [--skin DIR] [--start N] [--end N] [--per-file N] "
    "[--overwrite]\n";

// Reads the options into input; an error text when the command line is wrong.
std::optional<std::string> ParseArguments(const std::vector<std::string> &args, ConversionInput &input, bool &skinGiven,
                                          bool &help)
{
    struct Field {
        const char *name;
        std::string *value;
    };
    const Field fields[] = {{"--dat", &input.datPath}, {"--html", &input.htmlPath}, {"--skin", &input.skinDir},
                            {"--start", &input.start}, {"--end", &input.end},       {"--per-file", &input.perFile}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--overwrite") {
            input.overwrite = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            help = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const Field *field = nullptr;
        for (const Field &f : fields)
            if (name == f.name)
                field = &f;
        if (!field)
            return "unknown option: " + arg;
        if (equals != std::string::npos) {
            *field->value = arg.substr(equals + 1);
        } else {
            if (i + 1 >= args.size())
                return "missing value of " + arg;
            *field->value = args[++i];
        }
        if (field->value == &input.skinDir)
            skinGiven = true;
    }
    return std::nullopt;
}

// The profile server the default skin links authors to, from the program's settings file.
std::string ProfileBase(const std::string &programDir)
{
    settings::Settings s = settings::DefaultSettings(programDir);
    const std::string iniPath = base::JoinPath(programDir, settings::kSettingsFileName);
    if (base::FileExists(iniPath))
        settings::LoadSettings(settings::IniFile::Load(iniPath), s, programDir, false);
    return s.endpoint.profile;
}

} // namespace

std::string SjisToUtf8(std::string_view sjis)
{
    iconv_t cd = ::iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) // NOLINT(performance-no-int-to-ptr): iconv_open fails so
        return std::string(sjis);
    std::string in(sjis);
    std::string out(in.size() * 3 + 4, '\0');
    char *inPtr = in.data();
    std::size_t inLeft = in.size();
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (outLeft < 3)
            break;
        // A byte that is not CP932 shows as "?" rather than ending the message.
        *outPtr++ = '?';
        --outLeft;
        ++inPtr;
        --inLeft;
    }
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

int RunCommandLine(const std::vector<std::string> &args, const std::string &programDir, std::ostream &out,
                   std::ostream &err)
{
    ConversionInput input;
    bool skinGiven = false;
    bool help = false;
    if (std::optional<std::string> error = ParseArguments(args, input, skinGiven, help)) {
        err << "nk-convert: " << *error << '\n' << kUsage;
        return kExitInvalid;
    }
    if (help) {
        out << kUsage;
        return kExitOk;
    }
    if (!skinGiven)
        input.skinDir = base::JoinPath(programDir, "skin");

    Prepared prepared = Prepare(input, Environment{programDir, ProfileBase(programDir)});
    switch (prepared.failure) {
    case Prepared::Failure::None:
        break;
    case Prepared::Failure::Invalid:
        err << SjisToUtf8(ValidationMessage(prepared.validation)) << '\n';
        return kExitInvalid;
    case Prepared::Failure::SkinUnwritten:
        err << "nk-convert: " << prepared.error << '\n';
        return kExitFailed;
    case Prepared::Failure::DatUnreadable:
        err << SjisToUtf8(kReadErrorMessage) << '\n';
        return kExitFailed;
    }

    Converter converter(std::move(prepared.lines), std::move(prepared.templates), prepared.bounds,
                        SplitOutputPath(input.htmlPath), input.overwrite);
    std::size_t printed = 0;
    RunStatus status = RunStatus::Running;
    // Each path is printed as soon as its file is in place, so a script sees what a failure left.
    while (status == RunStatus::Running) {
        status = converter.step(256);
        for (; printed < converter.written().size(); ++printed)
            out << converter.written()[printed] << '\n';
        out.flush();
    }
    switch (status) {
    case RunStatus::ReadError:
        err << SjisToUtf8(kReadErrorMessage) << '\n';
        return kExitFailed;
    case RunStatus::WriteError:
        err << "nk-convert: cannot write " << converter.failedPath() << '\n';
        return kExitFailed;
    default:
        return kExitOk;
    }
}

} // namespace convert
