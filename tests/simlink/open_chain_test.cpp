// SimConnect.cfg and the order in which Open tries its ways to the simulator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/stream_socket.h"
#include "simlink/simconnect_cfg.h"
#include "simstandin/sim_standin.h"
#include "simlink_fixture.h"

using namespace vexo;
using namespace vexo::test;

namespace {

std::string lf_describe(const LinkTarget& t) {
  return (t.kind == LinkKind::pipe ? std::string("pipe ") : "tcp" + std::to_string(t.family) + " ") + t.address +
         " " + t.port;
}

// Records every attempt and fails them all.
struct Recorder {
  std::vector<std::string> attempts;
  std::vector<LinkTarget> targets;
  SimConnectEnvironment environment(const SimLinkSandbox& sandbox, std::string v6 = {}, std::string v4 = {}) {
    SimConnectEnvironment env = sandbox.environment(std::move(v6), std::move(v4));
    env.connect = [this](const LinkTarget& target) -> std::shared_ptr<SimConnectClient> {
      attempts.push_back(lf_describe(target));
      targets.push_back(target);
      return nullptr;
    };
    return env;
  }
};

void lf_writeCfg(const std::filesystem::path& folder, const std::string& text) {
  writeFile(folder / "SimConnect.cfg", text);
}

// ASCII text as UTF-16LE with its byte-order mark, as the system's editors save it.
std::string lf_utf16le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) bytes += {c, '\0'};
  return bytes;
}

}  // namespace

// Which ways Open tries, in order, for each SimConnect.cfg in the working folder.
TEST(OpenChain, TheWaysTriedFollowTheCfgAndTheRegistryPorts) {
  const struct {
    const char* name;
    std::string cfg;  // empty: no file
    std::uint32_t index;
    std::string v6, v4;
    std::vector<std::string> attempts;
  } cases[] = {
      {"no cfg: local pipe, TCP at the registry ports, the pipe again", "", 0, "5001", "5002",
       {"pipe  ", "tcp23 ::1 5001", "tcp2 127.0.0.1 5002", "pipe . "}},
      {"no cfg and no registry ports: no TCP step", "", 0, "", "", {"pipe  ", "pipe . "}},
      {"Address=. is the local pipe: the same fallbacks", "[SimConnect]\nAddress=.\n", 0, "5001", "5002",
       {"pipe . ", "tcp23 ::1 5001", "tcp2 127.0.0.1 5002", "pipe . "}},
      {"index 0xFFFFFFFF reads no file", "[SimConnect]\nProtocol=IPv4\nAddress=10.1.1.1\nPort=600\n",
       g_configIndexNoFile, "", "", {"pipe  ", "pipe . "}},
      {"remote pipe server: that one only", "[SimConnect]\nAddress=simhost\n", 0, "5001", "5002",
       {"pipe simhost "}},
      {"remote TCP server: that one only", "[SimConnect]\nProtocol=IPv4\nAddress=192.0.2.7\nPort=500\n", 0, "5001",
       "5002", {"tcp2 192.0.2.7 500"}},
      {"the same in UTF-16LE", lf_utf16le("[SimConnect]\r\nProtocol=IPv4\r\nAddress=192.0.2.7\r\nPort=500\r\n"), 0,
       "5001", "5002", {"tcp2 192.0.2.7 500"}},
      {"another index in UTF-16LE", lf_utf16le("[SimConnect.1]\r\nAddress=simhost\r\n"), 1, "5001", "5002",
       {"pipe simhost "}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimLinkSandbox sandbox;
    if (!c.cfg.empty()) lf_writeCfg(sandbox.cwd(), c.cfg);
    Recorder recorder;
    std::shared_ptr<SimConnectClient> client;
    EXPECT_EQ(lf_openSimConnectClient(client, c.index, recorder.environment(sandbox, c.v6, c.v4)), 1);
    EXPECT_EQ(recorder.attempts, c.attempts);
    EXPECT_EQ(recorder.targets.at(0).maxReceiveSize, 41088u);
    EXPECT_FALSE(recorder.targets.at(0).disableNagle);
  }
  // The real transport refuses a remote pipe server without trying any other way.
  SimLinkSandbox sandbox;
  lf_writeCfg(sandbox.cwd(), "[SimConnect]\nAddress=simhost\n");
  HANDLE handle = nullptr;
  EXPECT_EQ(gf_openSimConnect(&handle, "x", nullptr, 0, nullptr, 0, sandbox.environment("1", "1")), E_FAIL);
  EXPECT_EQ(handle, nullptr);
}

TEST(OpenChain, LaterCfgFilesOverrideEarlierOnes) {
  SimLinkSandbox sandbox;
  const auto first = [&] {
    Recorder recorder;
    std::shared_ptr<SimConnectClient> client;
    lf_openSimConnectClient(client, 0, recorder.environment(sandbox));
    return recorder.targets.at(0);
  };
  lf_writeCfg(sandbox.publicDocuments(),
              "[SimConnect]\nProtocol=Pipe\nAddress=public\nPort=publicpipe\nMaxReceiveSize=50000\n");
  lf_writeCfg(sandbox.documents(), "[simconnect]\n  address =  documents  \nDisableNagle=1\n");
  LinkTarget target = first();
  EXPECT_EQ(lf_describe(target), "pipe documents publicpipe");
  EXPECT_EQ(target.maxReceiveSize, 50000u);
  EXPECT_TRUE(target.disableNagle);

  lf_writeCfg(sandbox.cwd(), "[SimConnect]\nAddress=\"cwd\"\nDisableNagle=0\n");
  target = first();
  EXPECT_EQ(lf_describe(target), "pipe cwd publicpipe");
  EXPECT_FALSE(target.disableNagle);
}

TEST(SimConnectCfg, ValuesAndTheirLimits) {
  SimLinkSandbox sandbox;
  const auto file = sandbox.cwd() / "SimConnect.cfg";
  const auto read = [&](const std::string& text, SimConnectConfig config = {}) {
    writeFile(file, text);
    lf_readSimConnectCfg(file, 0, config, [](bool ipv6) { return std::string(ipv6 ? "6006" : "4004"); });
    return config;
  };
  EXPECT_EQ(read("[SimConnect]\nMaxReceiveSize=1000\n").maxReceiveSize, 41088u);
  EXPECT_EQ(read("[SimConnect]\nMaxReceiveSize=100000\n").maxReceiveSize, 100000u);
  EXPECT_EQ(read("[SimConnect]\nMaxReceiveSize=4294967295\n").maxReceiveSize, 1024u * 1024u) << "capped at 1 MiB";
  EXPECT_EQ(read("[SimConnect]\nMaxReceiveSize=lots\n").maxReceiveSize, 41088u);
  EXPECT_EQ(read("[SimConnect]\nMaxReceiveSize=99999999999\n").maxReceiveSize, 41088u);
  EXPECT_FALSE(read("[SimConnect]\nDisableNagle=0\n").disableNagle);
  EXPECT_TRUE(read("[SimConnect]\nDisableNagle=2\n").disableNagle);
  EXPECT_EQ(read("[SimConnect]\nProtocol=ipv6\n").protocol, SimConnectProtocol::ipv6);
  EXPECT_EQ(read("[SimConnect]\nProtocol=Carrier Pigeon\n").protocol, SimConnectProtocol::pipe);
  // An empty value changes nothing.
  SimConnectConfig set;
  set.address = "kept";
  EXPECT_EQ(read("[SimConnect]\nAddress=\n", set).address, "kept");
  // IPv4 or IPv6 replaces a port an earlier file gave with the simulator's own port...
  SimConnectConfig earlier;
  earlier.port = "mypipe";
  EXPECT_EQ(read("[SimConnect]\nProtocol=IPv4\n", earlier).port, "4004");
  EXPECT_EQ(read("[SimConnect]\nProtocol=IPv6\n", earlier).port, "6006");
  // ...but a port in the same file wins.
  EXPECT_EQ(read("[SimConnect]\nProtocol=IPv4\nPort=7007\n", earlier).port, "7007");
  // Address and port keep at most 1023 characters.
  EXPECT_EQ(read("[SimConnect]\nAddress=" + std::string(3000, 'a') + "\n").address.size(), 1023u);
  // Another configuration index reads its own section.
  writeFile(file, "[SimConnect]\nAddress=zero\n[SimConnect.2]\nAddress=two\n");
  SimConnectConfig two;
  lf_readSimConnectCfg(file, 2, two, {});
  EXPECT_EQ(two.address, "two");
  EXPECT_EQ(lf_cfgSectionExists(file, 2), 0);
  EXPECT_EQ(lf_cfgSectionExists(file, 1), 3);
  EXPECT_EQ(lf_cfgSectionExists(sandbox.cwd() / "missing.cfg", 0), 3);
  SimConnectConfig untouched;
  lf_readSimConnectCfg(sandbox.cwd() / "missing.cfg", 0, untouched, {});
  EXPECT_EQ(untouched.address, "");
  EXPECT_EQ(read("[SimConnect]\nAddress = host with = sign\n").address, "host with = sign");
}

// The profile functions read plain text and UTF-16LE text with its byte-order mark; any
// other file contributes nothing and is logged, once however often Open reads it.
TEST(SimConnectCfg, PlainAndUtf16LeTextAreReadAnythingElseIsLoggedOnce) {
  const std::string cfg = "[SimConnect]\r\nAddress=simhost\r\n";
  std::string bigEndian = "\xFE\xFF";
  for (const char c : cfg) bigEndian += {'\0', c};
  const struct {
    const char* name;
    std::string bytes;
    bool read;
  } cases[] = {
      {"plain", cfg, true},
      {"UTF-8 with its mark", "\xEF\xBB\xBF" + cfg, true},
      {"UTF-16LE with its mark", lf_utf16le(cfg), true},
      {"UTF-16LE without a mark", lf_utf16le(cfg).substr(2), false},
      {"UTF-16LE of odd length", lf_utf16le(cfg) + 'x', false},
      {"UTF-16LE with a lone surrogate", lf_utf16le(cfg) + std::string("\x00\xD8", 2), false},
      {"UTF-16BE", bigEndian, false},
      {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16) + cfg, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimLinkSandbox sandbox;
    LogCapture log;
    const auto file = sandbox.cwd() / "SimConnect.cfg";
    writeFile(file, c.bytes);
    for (int open = 0; open < 3; ++open) {
      SimConnectConfig config;
      lf_readSimConnectCfg(file, 0, config, {});
      EXPECT_EQ(config.address, c.read ? "simhost" : "");
      EXPECT_EQ(lf_cfgSectionExists(file, 0), c.read ? 0 : 3);
    }
    const std::string line = "! " + file.string() + " is not read: it is neither plain text nor UTF-16LE text with a byte-order mark";
    const std::string text = log.text();
    const auto first = text.find(line);
    EXPECT_EQ(first != std::string::npos, !c.read) << text;
    if (first != std::string::npos) {
      EXPECT_EQ(text.find(line, first + 1), std::string::npos) << "logged once";
    }
  }
}

TEST(SimConnectCfg, ConfigurationIndexWithoutItsSectionIsInvalid) {
  SimLinkSandbox sandbox;
  HANDLE handle = nullptr;
  EXPECT_EQ(gf_openSimConnect(&handle, "x", nullptr, 0, nullptr, 1, sandbox.environment({}, {})), E_INVALIDARG);
  // A section that exists but has no keys counts as missing.
  lf_writeCfg(sandbox.documents(), "[SimConnect.1]\n; nothing here\n");
  EXPECT_EQ(gf_openSimConnect(&handle, "x", nullptr, 0, nullptr, 1, sandbox.environment({}, {})), E_INVALIDARG);
  // With the section the index is valid; with no simulator the open then fails.
  lf_writeCfg(sandbox.cwd(), "[SimConnect.1]\nProtocol=Pipe\n");
  EXPECT_EQ(gf_openSimConnect(&handle, "x", nullptr, 0, nullptr, 1, sandbox.environment({}, {})), E_FAIL);
  EXPECT_EQ(handle, nullptr);
}

TEST(SimConnectCfg, OverLongPipeNamesFailCleanly) {
  SimLinkSandbox sandbox;
  auto client = SimConnectClient::create(LinkKind::pipe);
  EXPECT_EQ(client->connectTransport(0, ".", std::string(300, 'p'), 41088, false), 1);
  // Short enough for a pipe name, too long for a socket path.
  EXPECT_EQ(client->connectTransport(0, ".", std::string(200, 'p'), 41088, false), 1);
  EXPECT_FALSE(client->everConnected());
}

TEST(SimConnectPorts, ReadFromTheSimulatorsRegistryKey) {
  TempDir dir;
  writeFile(dir / "registry.reg",
            "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n"
            "\"SimConnect_Port_IPv4\"=\"500\"\n"
            "\"SimConnect_Port_IPv6\"=\"12345678901\"\n");
  platform::gf_setRegistryFile(dir / "registry.reg");
  EXPECT_EQ(lf_readSimConnectPort(false), "500");
  EXPECT_EQ(lf_readSimConnectPort(true), "123456789") << "nine characters at most";
  platform::gf_setRegistryFile(dir / "missing.reg");
  EXPECT_EQ(lf_readSimConnectPort(false), "");
  platform::gf_setRegistryFile(std::nullopt);
}

// With no SimConnect.cfg, the registry's IPv4 port leads Open to the simulator over TCP.
TEST(SimConnectPorts, OpenWithoutCfgReachesTheSimulatorAtItsRegistryPort) {
  SimLinkSandbox sandbox;
  simstandin::SimStandin standin;
  const std::uint16_t port = standin.listenTcp(platform::g_familyIpv4);
  ASSERT_NE(port, 0);
  standin.start();
  TempDir dir;
  writeFile(dir / "registry.reg", "[HKEY_CURRENT_USER\\SOFTWARE\\Lockheed Martin\\Prepar3D v5]\n"
                                  "\"SimConnect_Port_IPv4\"=\"" + std::to_string(port) + "\"\n");
  platform::gf_setRegistryFile(dir / "registry.reg");
  HANDLE handle = nullptr;
  EXPECT_EQ(SimConnect_Open(&handle, "Vendrake_P3D", nullptr, 0, nullptr, 0), S_OK);
  EXPECT_TRUE(standin.waitForRequestCount(SimConnectFunction::Open, 1, std::chrono::seconds(10)));
  EXPECT_EQ(SimConnect_Close(handle), S_OK);
  platform::gf_setRegistryFile(std::nullopt);
  // And without the simulator the same Open fails.
  EXPECT_EQ(SimConnect_Open(&handle, "Vendrake_P3D", nullptr, 0, nullptr, 0), E_FAIL);
}

// A SimConnect.cfg saved as UTF-16LE names the simulator that Open reaches, with no
// registry port to fall back on.
TEST(SimConnectPorts, OpenReachesTheSimulatorThatAUtf16CfgNames) {
  SimLinkSandbox sandbox;
  simstandin::SimStandin standin;
  const std::uint16_t port = standin.listenTcp(platform::g_familyIpv4);
  ASSERT_NE(port, 0);
  standin.start();
  lf_writeCfg(sandbox.documents(),
              lf_utf16le("[SimConnect]\r\nProtocol=IPv4\r\nAddress=localhost\r\nPort=" + std::to_string(port) + "\r\n"));
  platform::gf_setRegistryFile(sandbox.cwd() / "missing.reg");
  HANDLE handle = nullptr;
  EXPECT_EQ(SimConnect_Open(&handle, "Vendrake_P3D", nullptr, 0, nullptr, 0), S_OK);
  EXPECT_TRUE(standin.waitForRequestCount(SimConnectFunction::Open, 1, std::chrono::seconds(10)));
  if (handle) {
    EXPECT_EQ(SimConnect_Close(handle), S_OK);
  }
  platform::gf_setRegistryFile(std::nullopt);
}
