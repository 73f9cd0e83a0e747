// Baselines and load for the benchmark (Linux only: it measures the program from outside).
//   ferncard_bench floor PORT [BYTES]               answers every request with a fixed body ({}, or
//                                                   BYTES bytes): the least any server pays
//   ferncard_bench load PORT CLIENTS SECONDS FILE   sends the raw request in FILE, one connection
//                                                   per request, from CLIENTS threads
//   ferncard_bench direct DB OP ID SECONDS [FILE]   the store work of one request straight
//                                                   through SQLite: OP is get or put, ID a row of
//                                                   pages or "tree" (a row of meta); a connection
//                                                   opened, configured and verified each time
//   ferncard_bench kept DB OP ID SECONDS [FILE]     the same on one connection opened once
// direct and kept run with the program's allocator settings, so that neither side pays for
// handing memory back to the system after every operation.
// load and direct print one JSON line: {"count":N,"errors":N,"seconds":S,"meanMs":M}.
#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SendAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent <= 0) return false;
    data += sent;
    size -= static_cast<std::size_t>(sent);
  }
  return true;
}

void Report(long count, long errors, double seconds, double totalMs) {
  std::printf("{\"count\":%ld,\"errors\":%ld,\"seconds\":%.3f,\"meanMs\":%.4f}\n", count, errors, seconds,
              count > 0 ? totalMs / static_cast<double>(count) : 0.0);
}

// ---- floor: accept, read one request, write a fixed answer, close; a thread per connection ----

void ServeFloor(int fd, const std::string& answer) {
  std::string data;
  char buffer[65536];
  std::size_t headEnd = std::string::npos;
  std::size_t want = 0;
  for (;;) {
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    data.append(buffer, static_cast<std::size_t>(got));
    if (headEnd == std::string::npos) {
      headEnd = data.find("\r\n\r\n");
      if (headEnd == std::string::npos) continue;
      std::string head = data.substr(0, headEnd);
      for (char& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::size_t at = head.find("content-length:");
      want = headEnd + 4 + (at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 15, nullptr, 10));
    }
    if (data.size() >= want) break;
  }
  SendAll(fd, answer.data(), answer.size());
  shutdown(fd, SHUT_RDWR);
  close(fd);
}

sockaddr_in LoopbackAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int Floor(int port, long bytes) {
  const std::string body = bytes < 0 ? std::string("{}") : std::string(static_cast<std::size_t>(bytes), 'x');
  // Read by every connection's thread: Floor never returns, so it outlives them all.
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n"
                             "Content-Length: " + std::to_string(body.size()) +
                             "\r\nConnection: close\r\n\r\n" + body;
  const int listening = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(listening, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address = LoopbackAddress(port);
  if (bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listening, 128) != 0) {
    std::perror("floor");
    return 1;
  }
  std::printf("listening\n");
  std::fflush(stdout);
  for (;;) {
    const int fd = accept(listening, nullptr, nullptr);
    if (fd >= 0) std::thread(ServeFloor, fd, std::cref(answer)).detach();
  }
}

// ---- load ----

int Load(int port, int clients, double seconds, const std::string& request) {
  std::atomic<long> count{0};
  std::atomic<long> errors{0};
  std::atomic<long long> totalNs{0};
  const auto start = Clock::now();
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  std::vector<std::thread> threads;
  for (int i = 0; i < clients; ++i) {
    threads.emplace_back([&] {
      std::vector<char> buffer(1 << 16);
      while (Clock::now() < end) {
        const auto began = Clock::now();
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        const int yes = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        sockaddr_in address = LoopbackAddress(port);
        bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  SendAll(fd, request.data(), request.size());
        std::size_t total = 0;
        char status = 0;
        while (ok) {
          const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
          if (got < 0) ok = false;
          if (got <= 0) break;
          if (total <= 9 && total + static_cast<std::size_t>(got) > 9) status = buffer[9 - total];
          total += static_cast<std::size_t>(got);
        }
        close(fd);
        if (!ok || status != '2') {
          errors.fetch_add(1);
          continue;
        }
        count.fetch_add(1);
        totalNs.fetch_add(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - began).count());
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  Report(count.load(), errors.load(), elapsed, static_cast<double>(totalNs.load()) / 1e6);
  return 0;
}

// ---- direct: open, configure, verify, read or write, close ----

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool PragmaInt(sqlite3* db, const char* sql, long long& value) {
  sqlite3_stmt* statement = nullptr;
  bool ok = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW;
  if (ok) value = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  return ok;
}

sqlite3* OpenConfigured(const char* path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  Exec(db, "PRAGMA trusted_schema=OFF");
  Exec(db, "PRAGMA secure_delete=ON");
  long long application = 0;
  long long version = 0;
  if (!PragmaInt(db, "PRAGMA application_id", application) || !PragmaInt(db, "PRAGMA user_version", version)) {
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

bool Operate(sqlite3* db, bool put, const std::string& id, const std::string& body) {
  const bool tree = id == "tree";
  const std::string table = tree ? "meta" : "pages";
  std::string read;
  bool ok = !put || Exec(db, "BEGIN IMMEDIATE");
  if (ok) {
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "SELECT body FROM " + table + " WHERE id=?";
    ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
         sqlite3_bind_text(statement, 1, id.c_str(), -1, SQLITE_STATIC) == SQLITE_OK &&
         sqlite3_step(statement) == SQLITE_ROW;
    if (ok && !put) {
      read.assign(static_cast<const char*>(sqlite3_column_blob(statement, 0)),
                  static_cast<std::size_t>(sqlite3_column_bytes(statement, 0)));
    }
    sqlite3_finalize(statement);
  }
  if (ok && put) {
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "INSERT OR REPLACE INTO " + table + "(id, body) VALUES(?, ?)";
    ok = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
         sqlite3_bind_text(statement, 1, id.c_str(), -1, SQLITE_STATIC) == SQLITE_OK &&
         sqlite3_bind_blob(statement, 2, body.data(), static_cast<int>(body.size()), SQLITE_STATIC) == SQLITE_OK &&
         sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_finalize(statement);
    ok = ok && Exec(db, "COMMIT");
  }
  if (!ok && put) Exec(db, "ROLLBACK");
  return ok;
}

bool DirectOnce(const char* path, bool put, const std::string& id, const std::string& body) {
  sqlite3* db = OpenConfigured(path);
  if (db == nullptr) return false;
  const bool ok = Operate(db, put, id, body);
  sqlite3_close(db);
  return ok;
}

int Direct(const char* path, bool kept, bool put, const std::string& id, double seconds, const std::string& body) {
  // The program's settings (platform::KeepFreedMemoryForReuse).
  constexpr int kKeepBytes = 32 * 1024 * 1024;
  mallopt(M_MMAP_THRESHOLD, kKeepBytes);
  mallopt(M_TRIM_THRESHOLD, kKeepBytes);
  mallopt(M_ARENA_MAX, 2);
  sqlite3* db = kept ? OpenConfigured(path) : nullptr;
  if (kept && db == nullptr) return 1;
  long count = 0;
  long errors = 0;
  double totalMs = 0;
  const auto start = Clock::now();
  while (std::chrono::duration<double>(Clock::now() - start).count() < seconds) {
    const auto began = Clock::now();
    if (kept ? Operate(db, put, id, body) : DirectOnce(path, put, id, body)) {
      ++count;
      totalMs += std::chrono::duration<double, std::milli>(Clock::now() - began).count();
    } else {
      ++errors;
    }
  }
  sqlite3_close(db);
  Report(count, errors, std::chrono::duration<double>(Clock::now() - start).count(), totalMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "floor" && (argc == 3 || argc == 4)) return Floor(std::atoi(argv[2]), argc == 4 ? std::atol(argv[3]) : -1);
  if (command == "load" && argc == 6) return Load(std::atoi(argv[2]), std::atoi(argv[3]), std::atof(argv[4]), ReadFile(argv[5]));
  if ((command == "direct" || command == "kept") && (argc == 6 || argc == 7)) {
    const std::string op = argv[3];
    return Direct(argv[2], command == "kept", op == "put", argv[4], std::atof(argv[5]),
                  argc == 7 ? ReadFile(argv[6]) : std::string());
  }
  std::fprintf(stderr,
               "usage: ferncard_bench floor PORT [BYTES] | load PORT CLIENTS SECONDS FILE | direct|kept DB OP ID SECONDS [FILE]\n");
  return 2;
}
