#include "samplehost.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

// Only write() is safe in a signal handler; the event loop reads the pipe and quits.
void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

int fail(const QString &message)
{
    QTextStream(stderr) << "pelmora-sample-host: " << message << '\n';
    return 2;
}

// A whole number option within [low, high], or the reason it is refused.
Result<int> intOption(const QCommandLineParser &parser, const QString &name, int fallback, int low, int high)
{
    if (!parser.isSet(name))
        return fallback;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < low || value > high)
        return Result<int>::failure(QStringLiteral("--%1 needs a whole number from %2 to %3, not \"%4\"")
                                        .arg(name)
                                        .arg(low)
                                        .arg(high)
                                        .arg(parser.value(name)));
    return value;
}

void addOptions(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Serves deterministic sample blogs in GBK on loopback."));
    parser.addHelpOption();
    const QString valueName = QStringLiteral("n");
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Port to listen on; 0 picks a free one."), valueName},
        {QStringLiteral("bind"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
         QStringLiteral("address")},
        {QStringLiteral("latency-ms"), QStringLiteral("Delay every response by this many ms."), valueName},
        {QStringLiteral("log"), QStringLiteral("Append one line per request: ms since start, tab, path."),
         QStringLiteral("file")},
        {QStringLiteral("articles"), QStringLiteral("Articles per blog (default 60)."), valueName},
        {QStringLiteral("categories"), QStringLiteral("Categories per blog (default 6)."), valueName},
        {QStringLiteral("list-size"), QStringLiteral("Articles per list page (default 10)."), valueName},
        {QStringLiteral("fault"),
         QStringLiteral("A fault N=MODE for the article in row N, or blog=, list:P=, list:*=, every=; repeatable."),
         QStringLiteral("spec")},
        {QStringLiteral("reverse-list-latency-ms"),
         QStringLiteral("Delay list page P by (last page - P) times this many ms, so later pages come first."),
         valueName},
        {QStringLiteral("fault-file"), QStringLiteral("Faults one a line, \"N MODE\", # comments."),
         QStringLiteral("file")},
        {QStringLiteral("entry-fault"),
         QStringLiteral("An odd list entry N=MODE for the article in row N (crlf-title, empty-title, "
                        "empty-category, nul-category, nongbk-link, long-category, category:NAME); repeatable."),
         QStringLiteral("entry")},
        {QStringLiteral("images"), QStringLiteral("Articles show pictures, also from a second port.")},
    });
}

// The numbers and switches of the configuration; the port goes to `port`.
Result<void> readNumbers(const QCommandLineParser &parser, SampleHostConfig &config, int &port)
{
    const Result<int> portOption = intOption(parser, QStringLiteral("port"), 0, 0, 65535);
    const Result<int> latency = intOption(parser, QStringLiteral("latency-ms"), config.latencyMs, 0, 86'400'000);
    const Result<int> articles = intOption(parser, QStringLiteral("articles"), config.articles, 0, 10'000'000);
    const Result<int> categories = intOption(parser, QStringLiteral("categories"), config.categories, 1, 100'000);
    const Result<int> listSize = intOption(parser, QStringLiteral("list-size"), config.listSize, 1, 100'000);
    const Result<int> reverseLatency =
        intOption(parser, QStringLiteral("reverse-list-latency-ms"), config.reverseListLatencyMs, 0, 86'400'000);
    for (const Result<int> *option : {&portOption, &latency, &articles, &categories, &listSize, &reverseLatency}) {
        if (!*option)
            return Result<void>::failure(option->error());
    }
    port = *portOption;
    config.latencyMs = *latency;
    config.articles = *articles;
    config.categories = *categories;
    config.listSize = *listSize;
    config.reverseListLatencyMs = *reverseLatency;
    config.logPath = parser.value(QStringLiteral("log"));
    config.images = parser.isSet(QStringLiteral("images"));
    return {};
}

// Fault files first, then the faults and entry faults given one by one.
Result<void> readFaults(const QCommandLineParser &parser, SampleHostConfig &config)
{
    const QStringList faultFiles = parser.values(QStringLiteral("fault-file"));
    for (const QString &path : faultFiles) {
        const Result<QList<Fault>> faults = readFaultFile(path);
        if (!faults)
            return Result<void>::failure(faults.error());
        config.faults.append(*faults);
    }
    const QStringList faultSpecs = parser.values(QStringLiteral("fault"));
    for (const QString &spec : faultSpecs) {
        const Result<Fault> fault = parseFault(spec);
        if (!fault)
            return Result<void>::failure(fault.error());
        config.faults.append(*fault);
    }
    for (const QString &entry : parser.values(QStringLiteral("entry-fault"))) {
        const Result<EntryFault> fault = parseEntryFault(entry);
        if (!fault)
            return Result<void>::failure(fault.error());
        config.entryFaults.append(*fault);
    }
    return {};
}

// SIGINT and SIGTERM end the event loop through a pipe the returned notifier watches; none when
// the pipe cannot be made.
std::unique_ptr<QSocketNotifier> quitOnSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return nullptr;
    auto notifier = std::make_unique<QSocketNotifier>(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, QCoreApplication::instance(),
                     [watcher = notifier.get()] {
                         watcher->setEnabled(false);
                         QCoreApplication::quit();
                     });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return notifier;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pelmora-sample-host"));

    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    SampleHostConfig config;
    int port = 0;
    if (const Result<void> read = readNumbers(parser, config, port); !read)
        return fail(read.error());
    if (const Result<void> read = readFaults(parser, config); !read)
        return fail(read.error());
    QHostAddress address(QHostAddress::LocalHost);
    if (parser.isSet(QStringLiteral("bind")) && !address.setAddress(parser.value(QStringLiteral("bind"))))
        return fail(QStringLiteral("--bind needs an IP address, not \"%1\"").arg(parser.value(QStringLiteral("bind"))));

    const std::unique_ptr<QSocketNotifier> notifier = quitOnSignals();
    if (!notifier)
        return fail(QStringLiteral("cannot set up signal handling"));

    SampleHost host(config);
    if (!host.listen(static_cast<quint16>(port), address))
        return fail(host.errorString());
    QTextStream(stdout) << "listening on " << host.baseUrl() << Qt::endl;
    if (config.images)
        QTextStream(stdout) << "pictures also on " << host.imageBaseUrl() << Qt::endl;

    const int status = QCoreApplication::exec();
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    return status;
}
