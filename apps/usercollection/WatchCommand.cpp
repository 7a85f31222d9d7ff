#include "WatchCommand.h"

#include "CollectionItems.h"
#include "CommandError.h"
#include "Host.h"
#include "Inputs.h"
#include "Output.h"
#include <ContainerView.h>
#include <ItemKinds.h>
#include <Model/EffectObject.h>
#include <Model/ImportObject.h>
#include <Model/OverlayPreset.h>

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>

#include <cstdio>
#include <unordered_map>
#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#endif

namespace Cli {

namespace {

QString kindOf(const Effect::Object& item)
{
    const EditorCollection::ItemKind* kind = EditorCollection::kindOf(item);
    return kind ? QString::fromLatin1(kind->word) : QStringLiteral("effect");
}
QString kindOf(const Import::Object& item)
{
    return kindName(item.kind);
}
QString kindOf(const Overlay::Preset&)
{
    return QStringLiteral("title");
}

// One line per change, as text or as one JSON object.
class ChangePrinter {
public:
    explicit ChangePrinter(bool json)
        : m_json(json)
    {
    }

    // The first line: what is watched, once it is.
    void started(const QString& folder) const
    {
        write(m_json ? QString::fromUtf8(QJsonDocument(QJsonObject { { QStringLiteral("watching"), folder } })
                                             .toJson(QJsonDocument::Compact))
                     : printable(
                         QStringLiteral("Watching %1; Ctrl+C stops").arg(QDir::toNativeSeparators(folder))));
    }

    void print(const QString& change, const QString& kind, const QString& name, const QString& id,
        const QString& collection, const QString& previous = QString()) const
    {
        QString line;
        if (m_json) {
            QJsonObject object { { QStringLiteral("change"), change }, { QStringLiteral("kind"), kind },
                { QStringLiteral("name"), name }, { QStringLiteral("id"), id },
                { QStringLiteral("collection"), collection } };
            if (!previous.isNull())
                object[QStringLiteral("previous")] = previous;
            line = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
        } else if (!previous.isNull()) {
            line = printable(QStringLiteral("renamed %1 '%2' to '%3' (id %4) in %5")
                                 .arg(kind, previous, name, id, collection));
        } else {
            line = printable(
                QStringLiteral("%1 %2 '%3' (id %4) in %5").arg(change, kind, name, id, collection));
        }
        write(line);
    }

private:
    static void write(const QString& line)
    {
        std::fprintf(stdout, "%s\n", line.toUtf8().constData());
        // Whoever reads the lines reads them as they come, through a pipe too.
        std::fflush(stdout);
    }

    const bool m_json;
};

// Follows every container of item type T and prints what changes in it, by id: an
// id that comes is added, one that goes is removed, one whose item or name changed
// is changed or renamed.
template <class T>
class ChangeFollower : public ::Message::View<EditorCollection::Container<T>> {
public:
    using C = EditorCollection::Container<T>;

    explicit ChangeFollower(const ChangePrinter& printer)
        : m_printer(printer)
    {
        this->observer.adder.template subscribeAll<C>();
    }
    ~ChangeFollower() override { this->observer.adder.template unsubscribeAll<C>(); }

    // Follows c without a line for what it holds already.
    void follow(const C& c)
    {
        m_quiet = true;
        this->observe(const_cast<C*>(&c));
        m_quiet = false;
    }

private:
    void containerChanged(const C* c, const C& before, const C& after) override
    {
        const QString collection = QString::fromStdString(c->firstText);
        std::unordered_map<std::string, const T*> was;
        for (const T* item : before.items) {
            if (item)
                was.emplace(item->id, item);
        }
        for (const T* item : after.items) {
            if (!item)
                continue;
            const QString id = QString::fromStdString(item->id);
            const QString name = displayName(*item);
            const auto known = was.find(item->id);
            const auto shown = m_names.find(item->id);
            const QString previous = shown == m_names.end() ? name : shown->second;
            if (m_quiet) {
                // what it holds already
            } else if (known == was.end()) {
                m_printer.print(QStringLiteral("added"), kindOf(*item), name, id, collection);
            } else if (previous != name) {
                m_printer.print(QStringLiteral("renamed"), kindOf(*item), name, id, collection, previous);
            } else if (known->second != item) {
                m_printer.print(QStringLiteral("changed"), kindOf(*item), name, id, collection);
            }
            if (known != was.end())
                was.erase(known);
            m_names[item->id] = name;
        }
        for (const auto& [id, item] : was) {
            const auto shown = m_names.find(id);
            m_printer.print(QStringLiteral("removed"), kindOf(*item),
                shown == m_names.end() ? displayName(*item) : shown->second, QString::fromStdString(id),
                collection);
            m_names.erase(id);
        }
    }

    const ChangePrinter& m_printer;
    std::unordered_map<std::string, QString> m_names;
    bool m_quiet = false;
};

// Observes the collections of T that the host has loaded, without a line for what
// they hold already.
template <class T>
void followAll(Host& host, ChangeFollower<T>& follower)
{
    for (const std::string& id : host.collections().collectionIds<T>())
        follower.follow(host.collections().collection<T>(id));
}

#ifdef Q_OS_UNIX
int signalPipe[2] = { -1, -1 };

void onSignal(int)
{
    const char byte = 1;
    // Nothing else is safe in a signal handler; the event loop reads the byte.
    static_cast<void>(::write(signalPipe[1], &byte, 1));
}
#endif

// Runs the event loop until SIGINT or SIGTERM.
void runUntilInterrupted()
{
#ifdef Q_OS_UNIX
    if (::pipe(signalPipe) != 0)
        throw failure(QStringLiteral("cannot wait for signals"));
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    QCoreApplication::exec();
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
#else
    QCoreApplication::exec();
#endif
}

void runWatch(Context& context)
{
    Host& host = *context.host;
    // Only an existing folder can be watched; creating it changes nothing the
    // user has.
    if (!QDir().mkpath(host.dataRoot()))
        throw failure(QStringLiteral("cannot create the data folder %1")
                          .arg(QDir::toNativeSeparators(host.dataRoot())));
    host.collections().watchForChanges();
    const ChangePrinter printer(context.args.json());
    ChangeFollower<Effect::Object> effects(printer);
    ChangeFollower<Import::Object> imports(printer);
    ChangeFollower<Overlay::Preset> titles(printer);
    followAll(host, effects);
    followAll(host, imports);
    followAll(host, titles);
    printer.started(host.dataRoot());
    runUntilInterrupted();
}

} // namespace

CommandGroup watchCommands()
{
    Command watch;
    watch.words = QStringList { QStringLiteral("watch") };
    watch.summary = QStringLiteral(
        "Prints one line per change that any process makes to the data folder: added, removed, renamed or "
        "changed, with the kind, name, id and collection of the item; with --json one JSON object per line. "
        "Runs until interrupted (Ctrl+C, SIGTERM).");
    watch.run = runWatch;
    watch.streams = true;

    CommandGroup group;
    group.name = QStringLiteral("watch");
    group.summary = QStringLiteral("Follow the changes of every collection as they happen");
    group.commands = { watch };
    return group;
}

} // namespace Cli
