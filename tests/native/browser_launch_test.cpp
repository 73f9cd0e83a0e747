#include "documents/browser_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "documents/session.h"
#include "support/store_test_support.h"

namespace {

const std::string kTicket(64, 'a');
const std::string kPage = "0f8fad5b-d9cb-469f-a165-70867728950e";

TEST(LaunchAddress, AddsThePageOnlyForAPageIdentifier) {
  EXPECT_EQ(LaunchAddress(8890, kTicket, ""), "http://127.0.0.1:8890/?ticket=" + kTicket);
  EXPECT_EQ(LaunchAddress(8890, kTicket, kPage), "http://127.0.0.1:8890/?ticket=" + kTicket + "&page=" + kPage);
  EXPECT_EQ(LaunchAddress(9001, kTicket, "0F8FAD5B-D9CB-469F-A165-70867728950E"), "http://127.0.0.1:9001/?ticket=" + kTicket);
  EXPECT_EQ(LaunchAddress(9001, kTicket, "{" + kPage + "}"), "http://127.0.0.1:9001/?ticket=" + kTicket);
  EXPECT_EQ(LaunchAddress(9001, kTicket, kPage + "&x=1"), "http://127.0.0.1:9001/?ticket=" + kTicket);
}

TEST(LaunchBrowser, WritesExactlyTheAddressWithTheIssuedTicketAndNothingElse) {
  TempFolder folder;
  OpenDocuments documents;
  DocumentSession session(documents);
  documents.settings.noBrowser = true;
  documents.settings.ticketFile = folder.Path("ticket");
  session.listener.port = 8895;
  { std::ofstream(std::filesystem::u8path(documents.settings.ticketFile)) << std::string(300, 'x'); }

  LaunchBrowser(session, kPage);
  std::string ticket;
  {
    std::lock_guard<std::mutex> lock(session.gate.tickets.mutex);
    ASSERT_EQ(session.gate.tickets.entries.size(), 1u);
    ticket = session.gate.tickets.entries.begin()->first;
  }
  std::ifstream in(std::filesystem::u8path(documents.settings.ticketFile), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), "http://127.0.0.1:8895/?ticket=" + ticket + "&page=" + kPage);
}

TEST(LaunchBrowser, ATicketFileInAMissingFolderIsSkippedQuietly) {
  TempFolder folder;
  OpenDocuments documents;
  DocumentSession session(documents);
  documents.settings.noBrowser = true;
  documents.settings.ticketFile = folder.Path("missing/ticket");
  LaunchBrowser(session, "");
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(documents.settings.ticketFile)));
}

}  // namespace
