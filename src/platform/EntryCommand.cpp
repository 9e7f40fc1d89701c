// Desktop entry commands: Exec= split as a shell would, without running one, and the programs
// an entry names.
#include "platform/EntryCommand.h"

#include <QFileInfo>

namespace fw {

namespace {

// The arguments as written, quotes removed; nothing for an unterminated quote.
std::optional<QStringList> splitArguments(const QString& exec)
{
    QStringList args;
    QString current;
    bool inArgument = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (c == u'"' || c == u'\'') {
            inArgument = true;
            for (++i;; ++i) {
                if (i >= exec.size())
                    return std::nullopt;
                if (exec[i] == c)
                    break;
                if (c == u'"' && exec[i] == u'\\' && i + 1 < exec.size() && QStringView(u"\"`$\\").contains(exec[i + 1]))
                    ++i;
                current += exec[i];
            }
        } else if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                args << current;
            current.clear();
            inArgument = false;
        } else {
            if (c == u'\\' && i + 1 < exec.size())
                ++i;
            current += exec[i];
            inArgument = true;
        }
    }
    if (inArgument)
        args << current;
    return args;
}

// An argument without its field codes; "%%" stands for "%".
QString withoutFieldCodes(const QString& argument)
{
    QString kept;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument[i] != u'%' || i + 1 == argument.size()) {
            kept += argument[i];
            continue;
        }
        if (argument[++i] == u'%')
            kept += u'%';
    }
    return kept;
}

// The command without `env`, its options and the variables it sets.
QStringList withoutEnv(QStringList command)
{
    if (command.isEmpty() || QFileInfo(command.front()).fileName() != u"env")
        return command;
    command.removeFirst();
    while (!command.isEmpty() && (command.front().startsWith(u'-') || command.front().contains(u'=')))
        command.removeFirst();
    return command;
}

// Programs that run whatever they are given: their name tells no application.
bool runsOthers(const QString& name)
{
    static const QStringList runners{u"sh"_qs,    u"bash"_qs,    u"dash"_qs,    u"zsh"_qs,   u"env"_qs,
                                     u"python"_qs, u"perl"_qs,    u"ruby"_qs,    u"java"_qs,  u"node"_qs,
                                     u"mono"_qs,   u"wine"_qs,    u"wine64"_qs,  u"flatpak"_qs, u"snap"_qs,
                                     u"gjs"_qs,    u"exo-open"_qs, u"xdg-open"_qs, u"gio"_qs,  u"sudo"_qs,
                                     u"pkexec"_qs};
    QString base = name;
    // python3, python3.11, perl5.36 …
    while (!base.isEmpty() && (base.back().isDigit() || base.back() == u'.'))
        base.chop(1);
    return runners.contains(base);
}

} // namespace

std::optional<QStringList> entryCommandLine(const QString& exec)
{
    const auto args = splitArguments(exec);
    if (!args)
        return std::nullopt;
    QStringList out;
    for (const QString& a : *args) {
        // A field code on its own (a file, a URL, the icon, …) leaves no argument behind.
        if (a.size() == 2 && a[0] == u'%' && a[1] != u'%')
            continue;
        out << withoutFieldCodes(a);
    }
    if (out.isEmpty() || out.front().isEmpty())
        return std::nullopt;
    return out;
}

QStringList entryProgramNames(const ApplicationEntry& entry)
{
    if (entry.terminal)
        return {};
    QStringList names;
    const auto add = [&](const QString& program) {
        const QString name = QFileInfo(program).fileName();
        if (!name.isEmpty() && !runsOthers(name) && !names.contains(name))
            names << name;
    };
    if (const auto command = entryCommandLine(entry.exec); command) {
        const QStringList run = withoutEnv(*command);
        if (!run.isEmpty())
            add(run.front());
    }
    add(entry.tryExec);
    return names;
}

bool entryRunsProgramAlone(const ApplicationEntry& entry)
{
    const auto command = entryCommandLine(entry.exec);
    return command && withoutEnv(*command).size() == 1;
}

} // namespace fw
