#include "core/package/FirstMenu.h"

#include "platform/Trim.h"

namespace quillet::firstmenu {
namespace {

// A PowerShell string literal: single quotes, each quote inside doubled.
std::u16string Quoted(std::u16string_view text) {
    std::u16string quoted = u"'";
    for (const char16_t c : text) {
        quoted += c;
        if (c == u'\'' || c == u'\u2018' || c == u'\u2019' || c == u'\u201A' || c == u'\u201B') {
            quoted += c;  // PowerShell takes the typographic quotes as quotes too
        }
    }
    return quoted + u"'";
}

}  // namespace

std::optional<Request> RequestOfSwitch(std::u16string_view argument) {
    if (argument == u"/register-first-menu") {
        return Request::Register;
    }
    if (argument == u"/remove-first-menu") {
        return Request::Remove;
    }
    return std::nullopt;
}

int ExitCode(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
        case Outcome::NotWindows11:
            return 0;
        case Outcome::DeploymentUnavailable:
            return 2;
        case Outcome::PackageFileMissing:
            return 3;
        case Outcome::ModuleLacksCommand:
            return 4;
        case Outcome::CertificateNotTrusted:
            return 5;
        case Outcome::Failed:
            return 6;
        case Outcome::NotConfirmed:
            return 7;
        case Outcome::TimedOut:
            return 8;
    }
    return 6;
}

std::u16string Describe(Request request, const Result& result, std::u16string_view packagePath,
                        std::uint32_t build) {
    const bool adding = request == Request::Register;
    switch (result.outcome) {
        case Outcome::Done:
            return FormatMessageText(adding ? MessageId::FirstMenuRegistered : MessageId::FirstMenuRemoved);
        case Outcome::NotWindows11:
            return FormatMessageText(MessageId::FirstMenuNeedsWindows11, {static_cast<std::int64_t>(build)});
        case Outcome::DeploymentUnavailable:
            return FormatMessageText(MessageId::FirstMenuNoDeployment);
        case Outcome::PackageFileMissing:
            return FormatMessageText(MessageId::FirstMenuNoPackageFile, {packagePath});
        case Outcome::ModuleLacksCommand:
            return FormatMessageText(MessageId::FirstMenuModuleLacksCommand);
        case Outcome::CertificateNotTrusted:
            return FormatMessageText(MessageId::FirstMenuUntrusted, {packagePath});
        case Outcome::Failed:
            return FormatMessageText(
                adding ? MessageId::FirstMenuAddFailed : MessageId::FirstMenuRemoveFailed, {result.detail});
        case Outcome::NotConfirmed:
            return FormatMessageText(adding ? MessageId::FirstMenuNotAdded : MessageId::FirstMenuNotRemoved);
        case Outcome::TimedOut:
            return FormatMessageText(MessageId::FirstMenuTimedOut,
                                     {static_cast<std::int64_t>(kTimeLimitSeconds)});
    }
    return {};
}

std::u16string Script(Request request, std::u16string_view packageName, std::u16string_view packagePath,
                      std::u16string_view installFolder) {
    const std::u16string name = Quoted(packageName);
    // Output in UTF-8 whatever the console's code page; every error is caught and printed.
    std::u16string script =
        u"[Console]::OutputEncoding = [Text.Encoding]::UTF8\n"
        u"$ErrorActionPreference = 'Stop'\ntry {\n";
    if (request == Request::Register) {
        const std::u16string add = u"Add-AppxPackage -Path " + Quoted(packagePath) + u" -ExternalLocation " +
                                   Quoted(installFolder) + u" -ForceUpdateFromAnyVersion";
        // 0x80073D02: the package's processes are in use.
        script += u"  try { " + add +
                  u" } catch {\n    if ($_.Exception.Message -notmatch '80073D02') { throw }\n    " + add +
                  u" -ForceApplicationShutdown\n  }\n";
    } else {
        script += u"  Get-AppxPackage -Name " + name + u" | Remove-AppxPackage\n";
    }
    script +=
        u"} catch {\n  'error: ' + ($_.Exception.Message -replace '\\s+', ' ')\n}\n"
        u"'registered: ' + (Get-AppxPackage -Name " +
        name + u").PackageFullName\n";
    return script;
}

std::u16string EncodedScript(std::u16string_view script) {
    static constexpr char16_t kDigits[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::u16string bytes;  // one byte a unit
    for (const char16_t c : script) {
        bytes += static_cast<char16_t>(c & 0xFF);
        bytes += static_cast<char16_t>(c >> 8);
    }
    std::u16string encoded;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        const std::uint32_t group =
            (bytes[i] << 16) | (left > 1 ? bytes[i + 1] << 8 : 0) | (left > 2 ? bytes[i + 2] : 0);
        encoded += kDigits[(group >> 18) & 63];
        encoded += kDigits[(group >> 12) & 63];
        encoded += left > 1 ? kDigits[(group >> 6) & 63] : u'=';
        encoded += left > 2 ? kDigits[group & 63] : u'=';
    }
    return encoded;
}

Result ReadOutput(Request request, std::u16string_view packageName, std::u16string_view output) {
    std::optional<std::u16string> registered;
    std::u16string error;
    while (!output.empty()) {
        const std::size_t end = output.find(u'\n');
        const std::u16string_view line = TrimmedEnd(output.substr(0, end), u"\r ");
        output = end == std::u16string_view::npos ? std::u16string_view() : output.substr(end + 1);
        if (line.starts_with(u"error: ")) {
            error = line.substr(7);
        } else if (line.starts_with(u"registered:")) {
            std::u16string_view name = line.substr(11);
            registered = name.starts_with(u' ') ? name.substr(1) : name;
        }
    }
    const bool listed = registered && registered->size() > packageName.size() &&
                        registered->starts_with(packageName) && (*registered)[packageName.size()] == u'_';
    // The script ran to its end only when it printed what is registered.
    if (registered && (request == Request::Register ? listed : registered->empty())) {
        return {Outcome::Done, listed ? *registered : std::u16string()};
    }
    if (error.find(u"0x800B0109") != std::u16string::npos) {
        return {Outcome::CertificateNotTrusted, error};
    }
    if (!error.empty()) {
        return {Outcome::Failed, error};
    }
    return {Outcome::NotConfirmed, {}};
}

CheckBoxState CheckBox(std::uint32_t build, bool registered, bool deploymentAvailable, bool packageReady) {
    const bool visible = build >= kFirstWindows11Build && deploymentAvailable && (registered || packageReady);
    return {visible, visible && registered};
}

Request RequestOfCheck(bool checked) {
    return checked ? Request::Register : Request::Remove;
}

std::u16string ListedPackageKey(std::u16string_view mark) {
    // Where Windows lists the packages registered for the user, one key per package full name.
    static constexpr std::u16string_view kUserPackages =
        u"Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\CurrentVersion\\AppModel\\"
        u"Repository\\Packages\\";
    if (mark.empty() || mark.find(u'\\') != std::u16string_view::npos) {
        return {};  // a name with a separator would reach some other key
    }
    return std::u16string(kUserPackages) + std::u16string(mark);
}

}  // namespace quillet::firstmenu
