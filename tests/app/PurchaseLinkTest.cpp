#include "app/ProgramArguments.h"
#include "app/PurchaseLink.h"
#include "res/ResourceIds.h"

#include "support/QtPrint.h"

#include <gtest/gtest.h>

namespace {

const QStringList MAKERS = {"https://dl.maker.example", "mirror.maker.example:8443"};

TEST(PurchaseLink, ReadsTheStoresLinksAndDecidesWhichHostsNeedTheCustomer) {
  struct CCase {
    const char* Link;
    EPurchaseLinkHost Host;
    int Number;
    QString Key;
    const char* HostUrl;
  };
  const CCase cases[] = {
      {"parcel2://purchase?no=1001&key=PARCEL2-DEMO", LINK_HOST_DEFAULT, 1001, "PARCEL2-DEMO", ""},
      // The scheme without a digit, which store pages use, reads the same.
      {"parcel-two://purchase?no=1001&key=PARCEL2-DEMO", LINK_HOST_DEFAULT, 1001, "PARCEL2-DEMO", ""},
      {"Parcel-Two://purchase/?key=k&no=7&host=http://127.0.0.1:9", LINK_HOST_TRUSTED, 7, "k", "http://127.0.0.1:9"},
      // Any order, a slash, a last "&", the scheme in capitals; "+" is a plus.
      {"PARCEL2://Purchase/?key=a%20b%2Bc%26d+e&no=0042&", LINK_HOST_DEFAULT, 42, "a b+c&d+e", ""},
      {"parcel2://purchase?no=2147483647&key=%E3%82%AD%E3%83%BC", LINK_HOST_DEFAULT, 2147483647, u"キー"_qs, ""},
      // Loopback: any port, http or https.
      {"parcel2://purchase?no=7&key=k&host=http%3A%2F%2F127.0.0.1%3A8080", LINK_HOST_TRUSTED, 7, "k",
       "http://127.0.0.1:8080"},
      {"parcel2://purchase?no=7&key=k&host=https://localhost:9", LINK_HOST_TRUSTED, 7, "k", "https://localhost:9"},
      {"parcel2://purchase?no=7&key=k&host=http://[::1]:1", LINK_HOST_TRUSTED, 7, "k", "http://[::1]:1"},
      {"parcel2://purchase?no=7&key=k&host=http://127.255.0.9", LINK_HOST_TRUSTED, 7, "k", "http://127.255.0.9"},
      // The maker's hosts over https, by name and port.
      {"parcel2://purchase?no=7&key=k&host=https://DL.maker.example/base/", LINK_HOST_TRUSTED, 7, "k",
       "https://DL.maker.example/base/"},
      {"parcel2://purchase?no=7&key=k&host=https://mirror.maker.example:8443", LINK_HOST_TRUSTED, 7, "k",
       "https://mirror.maker.example:8443"},
      // Anything else is the customer's decision.
      {"parcel2://purchase?no=7&key=k&host=https://mirror.maker.example", LINK_HOST_UNTRUSTED, 7, "k",
       "https://mirror.maker.example"},
      {"parcel2://purchase?no=7&key=k&host=http://dl.maker.example", LINK_HOST_UNTRUSTED, 7, "k",
       "http://dl.maker.example"},
      {"parcel2://purchase?no=7&key=k&host=http://mirror.maker.example:8443", LINK_HOST_UNTRUSTED, 7, "k",
       "http://mirror.maker.example:8443"},
      {"parcel2://purchase?no=7&key=k&host=https://dl.maker.example.evil.example", LINK_HOST_UNTRUSTED, 7, "k",
       "https://dl.maker.example.evil.example"},
      {"parcel2://purchase?no=7&key=k&host=https://128.0.0.1", LINK_HOST_UNTRUSTED, 7, "k", "https://128.0.0.1"},
      {"parcel2://purchase?no=7&key=k&host=https://127.0.0.300", LINK_HOST_UNTRUSTED, 7, "k", "https://127.0.0.300"},
      {"parcel2://purchase?no=7&key=k&host=https://127.0.0.1.example", LINK_HOST_UNTRUSTED, 7, "k",
       "https://127.0.0.1.example"},
  };
  for (const CCase& c : cases) {
    SCOPED_TRACE(c.Link);
    const CPurchaseLink link = ParsePurchaseLink(QString::fromUtf8(c.Link), MAKERS);
    ASSERT_EQ(link.Problem, LINK_OK);
    EXPECT_EQ(link.Host, c.Host);
    EXPECT_EQ(link.Number, c.Number);
    EXPECT_EQ(link.Key, c.Key);
    EXPECT_EQ(link.HostUrl, QString::fromUtf8(c.HostUrl));
  }
}

TEST(PurchaseLink, RefusesWhatAStoreWouldNotWrite) {
  const struct {
    const char* Link;
    EPurchaseLinkProblem Problem;
  } cases[] = {
      {"parcel2://purchase?no=1&key=k#top", LINK_NOT_PURCHASE},
      {"parcel2://other?no=1&key=k", LINK_NOT_PURCHASE},
      {"parcel2:purchase?no=1&key=k", LINK_NOT_PURCHASE},
      {"parcel2://purchase/x?no=1&key=k", LINK_NOT_PURCHASE},
      {"parcel2://purchase", LINK_NOT_PURCHASE},
      {"parcel-two:purchase?no=1&key=k", LINK_NOT_PURCHASE},
      {"parcel-two://other?no=1&key=k", LINK_NOT_PURCHASE},
      {"parceltwo://purchase?no=1&key=k", LINK_NOT_PURCHASE},
      {"parcel2://purchase?no=1", LINK_NO_KEY},
      {"parcel2://purchase?no=1&key=", LINK_NO_KEY},
      {"parcel2://purchase?no=1&key", LINK_NO_KEY},
      {"parcel2://purchase?key=k", LINK_BAD_NUMBER},
      {"parcel2://purchase?no=abc&key=k", LINK_BAD_NUMBER},
      {"parcel2://purchase?no=-1&key=k", LINK_BAD_NUMBER},
      {"parcel2://purchase?no=0&key=k", LINK_BAD_NUMBER},
      {"parcel2://purchase?no=2147483648&key=k", LINK_BAD_NUMBER},
      {"parcel2://purchase?no=1%200&key=k", LINK_BAD_NUMBER},
      {"parcel2://purchase?no=1&key=%zz", LINK_BAD_ENCODING},
      {"parcel2://purchase?no=1&key=ab%4", LINK_BAD_ENCODING},
      {"parcel2://purchase?no=1&key=%", LINK_BAD_ENCODING},
      {"parcel2://purchase?no=1&key=%C3%28", LINK_BAD_ENCODING},  // not UTF-8
      {"parcel2://purchase?no=1&key=a%0Ab", LINK_BAD_ENCODING},   // a line break in the key
      {"parcel2://purchase?no=1&key=k&host=http://127.0.0.1%0A", LINK_BAD_ENCODING},
      {"parcel2://purchase?no=1&key=k&extra=1", LINK_UNKNOWN_PART},
      {"parcel2://purchase?no=1&no=2&key=k", LINK_UNKNOWN_PART},
      {"parcel2://purchase?NO=1&key=k", LINK_UNKNOWN_PART},
      {"parcel2://purchase?no=1&key=k&host=https://a.example&host=https://b.example", LINK_UNKNOWN_PART},
      {"parcel2://purchase?no=1&key=k&host=", LINK_BAD_HOST},
      {"parcel2://purchase?no=1&key=k&host=ftp://127.0.0.1", LINK_BAD_HOST},
      {"parcel2://purchase?no=1&key=k&host=https://user@dl.maker.example", LINK_BAD_HOST},
      {"parcel2://purchase?no=1&key=k&host=https://dl.maker.example%3Fx%3D1", LINK_BAD_HOST},
      {"parcel2://purchase?no=1&key=k&host=dl.maker.example", LINK_BAD_HOST},
      // Characters that could rearrange the question the host is shown in.
      {"parcel2://purchase?no=1&key=k&host=https://evil.example/%E2%80%A8%E2%80%A8Official", LINK_BAD_HOST},
      {"parcel2://purchase?no=1&key=k&host=https://evil.example/%C2%A0x", LINK_BAD_HOST},
      {"parcel2://purchase?no=1&key=k&host=https://%E2%80%AEelpmaxe.live", LINK_BAD_HOST},
      {"parcel2://purchase?no=1&key=k&host=https://evil.example%E2%80%8B", LINK_BAD_HOST},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Link);
    const CPurchaseLink link = ParsePurchaseLink(QString::fromUtf8(c.Link), MAKERS);
    EXPECT_EQ(link.Problem, c.Problem);
    EXPECT_TRUE(link.Key.isEmpty()) << "nothing of a refused link is kept";
    EXPECT_NE(PurchaseLinkProblemText(c.Problem), 0);
  }
  EXPECT_TRUE(IsPurchaseLink("Parcel2://anything"));
  EXPECT_TRUE(IsPurchaseLink("PARCEL-TWO:x"));
  EXPECT_FALSE(IsPurchaseLink("parcel-twofold://x"));
  EXPECT_FALSE(IsPurchaseLink("/home/me/parcel2://x"));
  const QStringList named = QStringLiteral(PARCEL2_ALLOWED_HOSTS).split(' ', Qt::SkipEmptyParts);
  EXPECT_EQ(MakersHosts(), named.isEmpty() ? QStringList{PARCEL2_DEFAULT_HOST} : named)
      << "the build's own hosts, else the default host";
}

// A link stands for -P, -K and -H and never reaches the wizard's command
// line, which is logged; without a window a link that would need the
// customer is wrong usage.
TEST(PurchaseLink, ArrivesInPlaceOfThePurchaseSwitches) {
  const QString link = "parcel2://purchase?no=4242&key=s3cret&host=http://127.0.0.1:9";
  CProgramArguments parsed = ParseProgramArguments({"--unattended", "-L", link, "--folder", "/x"});
  EXPECT_TRUE(parsed.Error.isEmpty()) << parsed.Error.toStdString();
  EXPECT_TRUE(parsed.HasLink);
  EXPECT_EQ(parsed.Link.Number, 4242);
  EXPECT_EQ(parsed.WizardCommandLine, "-L");

  // In the window mode the program tells the customer with a box.
  parsed = ParseProgramArguments({"parcel2://purchase?no=1"});
  EXPECT_TRUE(parsed.Error.isEmpty());
  EXPECT_EQ(parsed.Link.Problem, LINK_NO_KEY);
  EXPECT_EQ(ParseProgramArguments({"parcel2://purchase?no=1&key=k&host=https://x.example"}).Link.Host,
            LINK_HOST_UNTRUSTED);

  const struct {
    QStringList Arguments;
    const char* Error;
  } wrong[] = {
      {{link, "-P", "1"}, "a purchase link stands for -P, -K and -H: give one or the other"},
      {{"-H", "http://127.0.0.1:1", link}, "a purchase link stands for -P, -K and -H: give one or the other"},
      {{link, link}, "one purchase link at a time"},
      {{"--unattended", "parcel2://purchase?no=1"}, "the purchase link cannot be used: The link has no purchase key."},
      {{"--unattended", "parcel2://purchase?no=1&key=k&host=http://dl.example.com"},
       "the link's host http://dl.example.com is neither one of the maker's https hosts nor on this machine"},
  };
  for (const auto& c : wrong) EXPECT_EQ(ParseProgramArguments(c.Arguments).Error, c.Error);
}

// Every refusal of the command line, without a window and with one: a
// switch missing its value is wrong usage only where nobody can be asked;
// an argument the wizard's split would cut in two, in both modes. No
// refusal repeats the key. And what the purchase dialog refuses, and why.
TEST(PurchaseLink, RefusesWhatTheWizardWouldMisread) {
  const QString packed = "argument %1 holds white space, and the wizard would take it for several: "
                         "give each switch and each value as an argument of its own";
  const QString link = "parcel2://purchase?no=1&key=SECRET";
  const struct {
    QStringList Arguments;  // --unattended goes first for the first mode
    QString Unattended;
    QString Window;
  } cases[] = {
      {{"-L", "-P", "-K", "SECRET", "-H", "http://127.0.0.1:1"}, "-P needs a value, not the switch -K", ""},
      {{"-P", "1", "-H", "-K", "SECRET"}, "-H needs a value, not the switch -K", ""},
      {{"-T", "-K", "SECRET", "-P", "1"}, "-T needs a value, not the switch -K", ""},
      {{"-P", "1", "-K", "SECRET", "-H", "-E"}, "-H needs a value, not the switch -E", ""},
      {{"-P", "1", "-K"}, "-K needs a value", ""},
      {{link, "-E -H http://other"}, packed.arg(3), packed.arg(2)},
      {{"-P", "1", "-K", "SECRET", "-L\t-H"}, packed.arg(6), packed.arg(5)},
      {{"-P 1", "-K", "SECRET"}, packed.arg(2), packed.arg(1)},
      {{"-P", "1", "-K", "SECRET", "--folder", "/my folder"}, "", "--folder and --install go with --unattended"},
      {{"parcel2://purchase?no=1&key=SECRET&host=https://evil.example%E2%80%A8"},
       "the purchase link cannot be used: The link's download server address is not valid.", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Arguments.join(' ').toStdString());
    const CProgramArguments unattended = ParseProgramArguments(QStringList{"--unattended"} + c.Arguments);
    const CProgramArguments window = ParseProgramArguments(c.Arguments);
    EXPECT_EQ(unattended.Error, c.Unattended);
    EXPECT_EQ(window.Error, c.Window);
    EXPECT_FALSE(unattended.Error.contains("SECRET") || window.Error.contains("SECRET"));
  }

  const struct {
    const char* Number;
    const char* Key;
    int Problem;
  } typed[] = {
      {"10O1", "k", IDS_PURCHASE_NUMBER_DIGITS}, {" 1001", "k", IDS_PURCHASE_NUMBER_DIGITS},
      {"1001", "my key", IDS_PURCHASE_KEY_SPACE}, {"1001", "my\u3000key", IDS_PURCHASE_KEY_SPACE},
      {"1001", " key\n", 0},                     {"", "", 0},
  };
  for (const auto& t : typed) EXPECT_EQ(PurchaseInputProblem(t.Number, t.Key), t.Problem) << t.Number << "/" << t.Key;
}

}  // namespace
