#include "HostTestProduct.h"

#include "host/HostCatalog.h"
#include "host/HostCommandLine.h"
#include "host/HostSigning.h"
#include "list/ListSignature.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct CCommandRun {
  int Code = 0;
  std::string Out;
  std::string Err;
};

CCommandRun RunHost(const QStringList& arguments) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  CCommandRun run;
  run.Code = RunHostCommand(arguments, out, err);
  for (auto [file, text] : {std::pair{out, &run.Out}, std::pair{err, &run.Err}}) {
    std::rewind(file);
    char buffer[4096];
    while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file)) text->append(buffer, got);
    std::fclose(file);
  }
  return run;
}

// A 5000-byte product file in the folder.
QString WriteProduct(const QTemporaryDir& folder) {
  const QString product = folder.filePath("setup.bin");
  QFile file(product);
  if (file.open(QIODevice::WriteOnly)) file.write(MakeProductBytes(5000));
  return product;
}

TEST(HostCommandLine, PublishingTwoProductsKeepsEveryPurchase) {
  QTemporaryDir folder;
  const QString product = WriteProduct(folder);
  const QString catalog = folder.filePath("catalog");

  CCommandRun run = RunHost({"publish", "--catalog", catalog, "--product", product, "--name", "First", "--number", "11",
                         "--parts", "2", "--install", "setup.bin|-q|1|0", "--message", "2|Two, no//Three",
                         "--purchase", "501:key:with:colons"});
  EXPECT_EQ(run.Code, 1) << "a comma in a message is refused";
  EXPECT_NE(run.Err.find("comma"), std::string::npos) << run.Err;
  EXPECT_FALSE(QFile::exists(catalog + "/product11"));
  run = RunHost({"publish", "--catalog", catalog, "--product", product, "--name", "First", "--number", "11", "--parts",
             "2", "--install", "setup.bin|-q|1|0", "--message", "2|Two//Three", "--purchase", "501:key:with:colons"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  run = RunHost({"publish", "--catalog", catalog, "--product", product, "--name", "Second", "--number", "12",
             "--part-size", "4000", "--purchase", "502:other"});
  ASSERT_EQ(run.Code, 0) << run.Err;

  CHostCatalog read(catalog);
  ASSERT_TRUE(read.Load(nullptr));
  const auto first = read.FindProduct("501", "key:with:colons");
  const auto second = read.FindProduct("502", "other");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->Id, "product11");
  EXPECT_EQ(first->Parts.size(), 2u);
  EXPECT_TRUE(first->ListBytes.contains("IS,0,setup.bin,-q,1,0\r\n"));
  EXPECT_TRUE(first->ListBytes.contains("MS,2,Two//Three\r\n"));
  EXPECT_TRUE(second->ListBytes.contains("SN,0,Second,12\r\n"));
  EXPECT_EQ(second->Parts.count("setup.bin.002"), 1u);
}

// The maker's way: a key pair, then a signed list that the program's check
// passes under the public key and that the host serves as it stands.
TEST(HostCommandLine, KeygenThenPublishSigned) {
  QTemporaryDir folder;
  const QString keys = folder.filePath("keys");
  CCommandRun run = RunHost({"keygen", keys});
  ASSERT_EQ(run.Code, 0) << run.Err;
  EXPECT_EQ(QFile::permissions(keys + "/maker.pem") & 0x0077, 0) << "the private key is the maker's alone";
  EXPECT_EQ(RunHost({"keygen", keys}).Code, 1) << "an existing key is never replaced";
  QFile publicFile(keys + "/maker.pub.pem");
  ASSERT_TRUE(publicFile.open(QIODevice::ReadOnly));
  CMakerKeys trusted;
  ASSERT_TRUE(trusted.AddPem(publicFile.readAll()));
  EXPECT_NE(run.Out.find("Key id:      " + trusted.Keys[0].Id.toStdString()), std::string::npos) << run.Out;

  const QString product = WriteProduct(folder);
  const QString catalog = folder.filePath("catalog");
  run = RunHost({"publish", "--catalog", catalog, "--product", product, "--name", "First", "--number", "11",
                 "--purchase", "501:k", "--signing-key", keys + "/maker.pem", "--serial", "42", "--expires-days", "3"});
  ASSERT_EQ(run.Code, 0) << run.Err;
  CHostCatalog read(catalog);
  ASSERT_TRUE(read.Load(nullptr));
  const auto published = read.FindProduct("501", "k");
  ASSERT_NE(published, nullptr);
  const QDateTime now = QDateTime::currentDateTimeUtc();
  const CListVerdict verdict = CheckListSignature(published->ListBytes, trusted, now, 42);
  EXPECT_TRUE(verdict.IsTrusted()) << ListProblemLogText(verdict).toStdString();
  EXPECT_EQ(verdict.Serial, 42);
  EXPECT_NEAR(double(now.secsTo(verdict.Expires)), 3 * 86400.0, 60.0);
  EXPECT_TRUE(published->ListBytes.contains("\r\nSN,0,First,11\r\n"));
}

TEST(HostCommandLine, RefusesWhatItCannotRead) {
  const QStringList runs[] = {
      {},
      {"fetch"},
      {"publish", "--catalog"},
      {"publish", "--catalog", "/tmp/x", "--name", "A", "--number", "1"},
      {"publish", "--catalog", "/tmp/x", "--product", "p", "--name", "A", "--number", "x"},
      {"publish", "--catalog", "/tmp/x", "--product", "p", "--name", "A", "--number", "1", "--parts", "0"},
      {"publish", "--catalog", "/tmp/x", "--product", "p", "--name", "A", "--number", "1", "--install", "a|b"},
      {"publish", "--catalog", "/tmp/x", "--product", "p", "--name", "A", "--number", "1", "--purchase", "1"},
      {"publish", "--catalog", "/tmp/x", "--product", "p", "--name", "A", "--number", "1", "--serial", "4"},
      {"publish", "--catalog", "/tmp/x", "--product", "p", "--name", "A", "--number", "1", "--signing-key",
       "/nonexistent/maker.pem"},
      {"keygen"},
      {"serve"},
      {"serve", "--port", "1"},
      {"serve", "/tmp/x", "--port", "70000"},
      {"serve", "/tmp/x", "--fault", "explode"},
      {"serve", "/tmp/x", "--throttle", "0"},
      {"serve", "/tmp/x", "--accel-redirect", "parts/"},
      {"serve", "/tmp/x", "--busy-above", "0"},
      {"serve", "/tmp/x", "--busy-above", "2:200"},
      {"serve", "/tmp/x", "--busy-above", "two"},
  };
  for (const QStringList& arguments : runs) {
    const CCommandRun run = RunHost(arguments);
    EXPECT_EQ(run.Code, 2) << arguments.join(' ').toStdString();
    EXPECT_NE(run.Err.find("usage:"), std::string::npos) << arguments.join(' ').toStdString();
  }
  const CCommandRun help = RunHost({"--help"});
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("usage:"), std::string::npos);
  EXPECT_NE(help.Out.find("--accel-redirect PREFIX"), std::string::npos);
  EXPECT_TRUE(help.Err.empty());
  EXPECT_EQ(RunHost({"serve", "/nonexistent/catalog", "--port", "0"}).Code, 1);
  EXPECT_EQ(RunHost({"serve", "/nonexistent/catalog", "--no-ranges", "--port", "0"}).Code, 1) << "read, then no catalog";
  EXPECT_EQ(RunHost({"serve", "/nonexistent/catalog", "--busy-above", "2:429", "--port", "0"}).Code, 1);
}

}  // namespace
