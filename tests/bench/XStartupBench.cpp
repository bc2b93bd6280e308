// Start-up of the real program under X on the big territory: the time from launching the built
// kestrin, copied into a program folder whose settings open the territory's year
// (StartupFolder.h), until the X server maps its main window, and until the window's first
// paint shows; against the same for XStartupFloor, an empty Qt main window on the same Qt and
// platform plugin. Program and floor take turns, start by start; the median and the best of
// each are printed with their ratio. Each start ends by closing the window as the window
// manager would, so the next start finds the files as a closed program leaves them.
//
//     xvfb-run -s '-screen 0 1280x1024x24' bin/XStartupBench [folder] [starts]
//
// The folder keeps the program folder and the configuration until the next run, so the program
// can be started there by hand (folder/program/kestrin). Without a display the bench says so and
// ends.

#include "StartupFolder.h"
#include "BenchFloors.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGoalMs = 100;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Start {
    double mapped = 0;    // launch to the main window mapped
    double painted = -1;  // launch to its first paint; -1 when none showed
};

// A connection to the display that watches the root window for the windows mapped on it.
class Watcher {
public:
    Watcher(xcb_connection_t* connection, int screenNumber)
        : m_c(connection)
    {
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_c));
        for (int i = 0; i < screenNumber && it.rem > 1; ++i)
            xcb_screen_next(&it);
        m_screen = it.data;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        if (xcb_generic_error_t* e = xcb_request_check(
                m_c, xcb_change_window_attributes_checked(m_c, m_screen->root, XCB_CW_EVENT_MASK, &mask))) {
            std::free(e);
            throw std::runtime_error("cannot watch the root window");
        }
        m_pid = atom("_NET_WM_PID");
        m_type = atom("_NET_WM_WINDOW_TYPE");
        m_normal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
        m_name = atom("_NET_WM_NAME");
        m_utf8 = atom("UTF8_STRING");
        m_protocols = atom("WM_PROTOCOLS");
        m_delete = atom("WM_DELETE_WINDOW");
    }

    const xcb_screen_t& screen() const { return *m_screen; }

    // Launches the program and times it to its main window mapped and painted, then closes
    // the window and waits for the program to end. A window other than the main one coming
    // first (a question, an error box) or the program ending on its own is a fault here.
    Start time(const QString& program, const QString& log, QString* title = nullptr)
    {
        const QByteArray path = QFile::encodeName(program);
        const QByteArray logPath = QFile::encodeName(log);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, logPath.constData(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        char* argv[] = {const_cast<char*>(path.constData()), nullptr};
        drainEvents();
        Start result;
        pid_t pid = 0;
        const auto start = Clock::now();
        const int spawned = posix_spawn(&pid, path.constData(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error("cannot start " + path.toStdString() + ": " + std::strerror(spawned));

        xcb_window_t window = XCB_NONE;
        while (window == XCB_NONE) {
            pollfd fd{xcb_get_file_descriptor(m_c), POLLIN, 0};
            poll(&fd, 1, 5);
            while (xcb_generic_event_t* event = xcb_poll_for_event(m_c)) {
                if ((event->response_type & ~0x80) == XCB_MAP_NOTIFY) {
                    const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                    const double at = msSince(start);
                    if (!map->override_redirect && cardinal(map->window, m_pid) == uint32_t(pid)) {
                        if (cardinal(map->window, m_type, XCB_ATOM_ATOM) != m_normal) {
                            std::free(event);
                            stop(pid);
                            throw std::runtime_error("a window other than the main one came first: see " +
                                                     logPath.toStdString());
                        }
                        window = map->window;
                        result.mapped = at;
                    }
                }
                std::free(event);
                if (window != XCB_NONE)
                    break;
            }
            if (xcb_connection_has_error(m_c))
                throw std::runtime_error("the connection to the display broke");
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid)
                throw std::runtime_error(path.toStdString() + " ended before it showed its window: see " +
                                         logPath.toStdString());
            if (msSince(start) > 30000) {
                stop(pid);
                throw std::runtime_error(path.toStdString() + " showed no window in 30 s");
            }
        }
        result.painted = firstPaint(window, start);
        if (title)
            *title = name(window);
        close(window, pid);
        return result;
    }

private:
    xcb_atom_t atom(const char* name)
    {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, uint16_t(std::strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : XCB_NONE;
    }

    uint32_t cardinal(xcb_window_t window, xcb_atom_t property, xcb_atom_t type = XCB_ATOM_CARDINAL)
    {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, window, property, type, 0, 1), nullptr), &std::free);
        if (!reply || xcb_get_property_value_length(reply.get()) < 4)
            return 0;
        return *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    }

    QString name(xcb_window_t window)
    {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
            xcb_get_property_reply(m_c, xcb_get_property(m_c, 0, window, m_name, m_utf8, 0, 256), nullptr), &std::free);
        if (!reply)
            return QString();
        return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                 xcb_get_property_value_length(reply.get()));
    }

    // The window's middle pixel as the server holds it.
    QByteArray pixel(xcb_window_t window, int16_t x, int16_t y)
    {
        std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
            xcb_get_image_reply(m_c, xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, x, y, 1, 1, ~0u), nullptr),
            &std::free);
        if (!reply)
            return QByteArray();
        return QByteArray(reinterpret_cast<const char*>(xcb_get_image_data(reply.get())),
                          xcb_get_image_data_length(reply.get()));
    }

    // A mapped window holds what lay under it until its program paints: the first change of its
    // middle pixel is the first paint. Sampled every quarter of a millisecond, for at most 5 s.
    double firstPaint(xcb_window_t window, Clock::time_point start)
    {
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
            xcb_get_geometry_reply(m_c, xcb_get_geometry(m_c, window), nullptr), &std::free);
        if (!geometry)
            return -1;
        const auto x = int16_t(geometry->width / 2), y = int16_t(geometry->height / 2);
        const QByteArray before = pixel(window, x, y);
        const auto mapped = Clock::now();
        while (msSince(mapped) < 5000) {
            if (pixel(window, x, y) != before)
                return msSince(start);
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
        return -1;
    }

    void close(xcb_window_t window, pid_t pid)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = m_protocols;
        message.data.data32[0] = m_delete;
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(m_c);
        const auto asked = Clock::now();
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) != pid) {
            if (msSince(asked) > 10000) {
                stop(pid);
                throw std::runtime_error("the program did not end when its window was closed");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        drainEvents();
    }

    static void stop(pid_t pid)
    {
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
    }

    void drainEvents()
    {
        xcb_flush(m_c);
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_c))
            std::free(event);
    }

    xcb_connection_t* m_c;
    xcb_screen_t* m_screen = nullptr;
    xcb_atom_t m_pid = XCB_NONE, m_type = XCB_NONE, m_normal = XCB_NONE, m_name = XCB_NONE, m_utf8 = XCB_NONE;
    xcb_atom_t m_protocols = XCB_NONE, m_delete = XCB_NONE;
};

// The program runs from the program folder, which it finds where its own file lies.
QString placeProgram(const QString& built, const QString& programFolder)
{
    const QString placed = programFolder + QStringLiteral("/kestrin");
    QFile::remove(placed);
    if (::link(QFile::encodeName(built).constData(), QFile::encodeName(placed).constData()) != 0
        && !QFile::copy(built, placed))
        throw std::runtime_error("cannot copy " + built.toStdString() + " into the program folder");
    return placed;
}

struct Figures {
    std::vector<double> mapped, painted;
    void add(const Start& s)
    {
        mapped.push_back(s.mapped);
        if (s.painted >= 0)
            painted.push_back(s.painted);
    }
};

double best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

void line(const char* what, const std::vector<double>& program, const std::vector<double>& floor, const char* goal)
{
    if (program.empty() || floor.empty()) {
        std::printf("%-30s no paint seen\n", what);
        return;
    }
    std::printf("%-30s kestrin median %7.1f ms best %7.1f ms   floor median %7.1f ms best %7.1f ms   "
                "ratio %5.2f (best %5.2f)   %s\n",
                what, bench::median(program), best(program), bench::median(floor), best(floor),
                bench::median(program) / bench::median(floor), best(program) / best(floor), goal);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("XStartupBench: no X display ($DISPLAY is empty), nothing measured; run it under\n"
                    "    xvfb-run -s '-screen 0 1280x1024x24' %s\n", argv[0]);
        return 0;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::printf("XStartupBench: cannot connect to the X display %s, nothing measured\n", qgetenv("DISPLAY").constData());
        xcb_disconnect(connection);
        return 0;
    }
    const int starts = argc > 2 ? std::max(3, std::atoi(argv[2])) : 15;
    try {
        Watcher watcher(connection, screenNumber);
        QTemporaryDir temp;
        const territory::StartupFolder made =
            territory::makeStartupFolder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.path());
        const QString bin = QCoreApplication::applicationDirPath();
        const QString kestrin = placeProgram(bin + QStringLiteral("/kestrin"), made.program);
        const QString floor = bin + QStringLiteral("/XStartupFloor");
        const QString log = made.program + QStringLiteral("/starts.log");
        QFile::remove(log);
        // Both start on the display, whatever platform the calling shell asked for.
        qputenv("QT_QPA_PLATFORM", "xcb");

        const xcb_screen_t& screen = watcher.screen();
        std::printf("display %s, screen %dx%dx%d; %d starts of each, in turn\n", qgetenv("DISPLAY").constData(),
                    screen.width_in_pixels, screen.height_in_pixels, screen.root_depth, starts);
        // The first start stamps the year's files, as the first start after a change does.
        QString title;
        watcher.time(kestrin, log, &title);
        watcher.time(floor, log);
        std::printf("kestrin's window: \"%s\"\n\n", title.toUtf8().constData());

        Figures program, bare;
        for (int i = 0; i < starts; ++i) {
            program.add(watcher.time(kestrin, log));
            bare.add(watcher.time(floor, log));
        }
        line("launch to main window mapped", program.mapped, bare.mapped, "(goal <= 100 ms)");
        line("launch to its first paint", program.painted, bare.painted, "");
        const auto withinGoal = std::count_if(program.mapped.begin(), program.mapped.end(),
                                              [](double ms) { return ms <= kGoalMs; });
        std::printf("%d of %d starts mapped the main window within %.0f ms\n", int(withinGoal), starts, kGoalMs);
    } catch (const std::exception& e) {
        std::printf("XStartupBench: %s\n", e.what());
        xcb_disconnect(connection);
        return 1;
    }
    xcb_disconnect(connection);
    return 0;
}
