// The INDI client against a real indiserver with Debian's simulators.
#include "IndiServer.h"

#include "core/Messages.h"
#include "indi/IndiClient.h"
#include "indi/IndiSettings.h"

#include <gtest/gtest.h>

#include <ifaddrs.h>
#include <unistd.h>

namespace velumbra {
namespace {

using test::IndiServer;
using test::waitUntil;

#define REQUIRE_INDISERVER() \
    do {                                                                  \
        if (!IndiServer::available()) GTEST_SKIP() << "indiserver is not installed"; \
    } while (false)

bool hasDevice(const std::vector<QString>& list, const char* name)
{
    return std::find(list.begin(), list.end(), QString::fromLatin1(name)) != list.end();
}

TEST(IndiClient, ListsTheDevicesByKind)
{
    REQUIRE_INDISERVER();
    IndiServer server({"indi_simulator_ccd", "indi_simulator_telescope", "indi_simulator_focus"});
    ASSERT_TRUE(server.start());
    RecordingMessages messages;
    IndiClient client(messages);
    ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
    ASSERT_TRUE(waitUntil([&] {
        return client.devicesOfKind(IndiCameraKind).size() == 1 && client.devicesOfKind(IndiMountKind).size() == 1
            && client.devicesOfKind(IndiFocuserKind).size() == 1;
    }, 10000)) << client.devices().size() << " devices";
    EXPECT_TRUE(hasDevice(client.devicesOfKind(IndiCameraKind), "CCD Simulator"));
    EXPECT_TRUE(hasDevice(client.devicesOfKind(IndiMountKind), "Telescope Simulator"));
    EXPECT_TRUE(hasDevice(client.devicesOfKind(IndiFocuserKind), "Focuser Simulator"));
    EXPECT_TRUE(messages.lines.isEmpty()) << messages.lines.join('\n').toStdString();
}

// The server a test starts answers on this computer only: not on its other addresses.
TEST(IndiClient, TheTestServerListensOnTheLoopbackOnly)
{
    REQUIRE_INDISERVER();
    IndiServer server({"indi_simulator_focus"});
    ASSERT_TRUE(server.start());
    EXPECT_TRUE(test::portAccepts(server.port()));
    ifaddrs* list = nullptr;
    ASSERT_EQ(::getifaddrs(&list), 0);
    int outside = 0;
    for (ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET) continue;
        sockaddr_in address = *reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        if (ntohl(address.sin_addr.s_addr) >> 24 == 127) continue;
        ++outside;
        address.sin_port = htons(uint16_t(server.port()));
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_NE(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << a->ifa_name;
        ::close(fd);
    }
    ::freeifaddrs(list);
    if (outside == 0) GTEST_SKIP() << "this computer has no address but the loopback";
}

TEST(IndiClient, AServerThatDoesNotAnswerIsOneMessage)
{
    RecordingMessages messages;
    IndiClient client(messages);
    EXPECT_FALSE(client.connectToServer(QStringLiteral("localhost"), test::freeLocalPort()));
    EXPECT_FALSE(client.isConnected());
    ASSERT_EQ(messages.lines.size(), 1);
    EXPECT_TRUE(messages.lines[0].startsWith(QStringLiteral("Serveur INDI injoignable")));
}

TEST(IndiClient, ALostServerIsOneMessageAndARestartedOneIsTakenUpAgain)
{
    REQUIRE_INDISERVER();
    IndiServer server({"indi_simulator_telescope"});
    ASSERT_TRUE(server.start());
    RecordingMessages messages;
    IndiClient client(messages);
    int lost = 0;
    QObject::connect(&client, &IndiClient::serverLost, [&] { ++lost; });
    ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
    ASSERT_TRUE(waitUntil([&] { return !client.devicesOfKind(IndiMountKind).empty(); }, 10000));

    server.kill();
    // Commands sent before the loss is known write to a closed socket: the
    // program must live on to report it.
    for (int i = 0; i < 50 && client.isConnected(); ++i) {
        client.sendNumbers(QStringLiteral("Telescope Simulator"), QStringLiteral("EQUATORIAL_EOD_COORD"),
                           {{"RA", 1.0}, {"DEC", 2.0}});
        ::usleep(2000);
    }
    ASSERT_TRUE(waitUntil([&] { return !client.isConnected(); }, 5000));
    waitUntil([] { return false; }, 200); // nothing more arrives
    EXPECT_EQ(lost, 1);
    ASSERT_EQ(messages.lines.size(), 1) << messages.lines.join('\n').toStdString();
    EXPECT_TRUE(messages.lines[0].startsWith(QStringLiteral("Serveur INDI perdu")));
    EXPECT_TRUE(client.devices().empty());

    ASSERT_TRUE(server.start());
    ASSERT_TRUE(client.connectToServer(QStringLiteral("localhost"), server.port()));
    EXPECT_TRUE(waitUntil([&] { return !client.devicesOfKind(IndiMountKind).empty(); }, 10000));
    EXPECT_EQ(messages.lines.size(), 1);
}

TEST(IndiSettings, ServerTextGivesHostAndPort)
{
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"localhost", true, "localhost", 7624},  {"10.0.0.2:7625", true, "10.0.0.2", 7625},
        {" pi:7000 ", true, "pi", 7000},         {"pi:", false, "h", 7624},
        {"pi:70000", false, "h", 7624},          {":7000", false, "h", 7624},
        {"", false, "h", 7624},
    };
    for (const Case& c : cases) {
        QString host = QStringLiteral("h");
        int port = 7624;
        EXPECT_EQ(parseIndiServer(QString::fromLatin1(c.text), host, port), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(host, QString::fromLatin1(c.host)) << c.text;
        }
        EXPECT_EQ(port, c.port) << c.text;
    }
}

} // namespace
} // namespace velumbra
