// The shared round on the test server: import, claims that other lines skip, a claim given
// back by a line that ends without finishing, and what a file archive says.

#include <QtTest>

#include "archive/shared_round.h"
#include "support/archive_places.h"

using namespace vilt;
using archive::LineScope;
using archive::RoundClaims;
using archive::RoundMeter;

namespace {

RoundMeter meter(int line, qint64 factory, const QString& phone, const QString& station = {},
                 const QString& port = {}) {
    RoundMeter m;
    m.line = line;
    m.label = QStringLiteral("Дом %1").arg(line);
    m.factory = factory;
    m.phone = phone;
    m.station = station;
    m.port = port;
    return m;
}

const QList<RoundMeter> kRound{meter(2, 111, "5551"), meter(3, 222, {}, "one", "Com1"),
                               meter(5, 333, "5553"), meter(7, 444, {}, "two", "Com1")};

const LineScope kModem{true, {}, {}};

std::unique_ptr<RoundClaims> claims(const QString& place) {
    QString error;
    auto opened = RoundClaims::open(place, &error);
    if (!opened) qFatal("claims: %s", qPrintable(error));
    return opened;
}

}  // namespace

class TstSharedRound : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ArchivePlaces> m_places;
    QString m_place;

  private slots:
    void init() {
        if (test::serverUrl().isEmpty()) QSKIP(test::kNoServer);
        m_places = std::make_unique<test::ArchivePlaces>(test::Engine::Postgres);
        m_place = m_places->fresh(QStringLiteral("round"));
        QCOMPARE(archive::importRound(m_place, kRound), QString());
    }
    void cleanup() { m_places.reset(); }

    // Two modem lines take the meters with a phone in file order, each its own; a direct
    // line takes only its station's meters on its port.
    void linesTakeTheirOwn() {
        QString error;
        auto first = claims(m_place), second = claims(m_place), direct = claims(m_place);
        QCOMPARE(first->claim(kModem, &error), kRound[0]);
        QCOMPARE(second->claim(kModem, &error), kRound[2]);
        QCOMPARE(claims(m_place)->claim(kModem, &error), std::nullopt);  // both held
        QCOMPARE(error, QString());
        QCOMPARE(direct->claim({false, "two", "Com1"}, &error), kRound[3]);
        QCOMPARE(first->finish("one", true, "ok"), QString());
        QCOMPARE(second->finish("one", false, "energy: Нет связи !!!"), QString());
        QCOMPARE(first->claim(kModem, &error), std::nullopt);  // all visited

        const auto raw = m_places->raw(m_place);
        QCOMPARE(raw->column("SELECT Line FROM round_meters WHERE Visited IS NOT NULL ORDER BY "
                             "Line"),
                 (QVariantList{2, 5}));
        QCOMPARE(raw->column("SELECT Result FROM round_meters WHERE Line = 5").value(0),
                 QVariant("energy: Нет связи !!!"));
    }

    // A line that ends (its station died, its connection dropped) or gives its meter back
    // leaves it for the next claim; so does an import while nothing is held.
    void claimGivenBack() {
        QString error;
        {
            auto dying = claims(m_place);
            QCOMPARE(dying->claim(kModem, &error), kRound[0]);
        }
        auto line = claims(m_place);
        QCOMPARE(line->claim(kModem, &error), kRound[0]);
        line->release();
        QCOMPARE(line->claim(kModem, &error), kRound[0]);
        QCOMPARE(line->finish("one", true, "ok"), QString());
        QCOMPARE(archive::importRound(m_place, kRound), QString());
        QCOMPARE(line->claim(kModem, &error), kRound[0]);
    }

    // The server dropping a line's connection mid-visit: the finish fails with its words, the
    // meter stays to be visited, and the line's next claim reconnects.
    void connectionDroppedMidVisit() {
        QString error;
        auto line = claims(m_place);
        QCOMPARE(line->claim(kModem, &error), kRound[0]);
        m_places->raw(m_place)->exec(QStringLiteral(
            "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE application_name = "
            "'%1' AND pid <> pg_backend_pid()")
                                         .arg(test::ArchivePlaces::schemaOf(m_place)));
        QVERIFY(!line->finish("one", true, "ok").isEmpty());
        QCOMPARE(line->claim(kModem, &error), kRound[0]);
        QCOMPARE(error, QString());
    }

    // Without a server, or before any import, a clear word.
    void refusals() {
        QString error;
        QVERIFY(!RoundClaims::open(QStringLiteral("archive.db"), &error));
        QVERIFY2(error.contains("postgresql://"), qPrintable(error));
        const QString empty = m_places->fresh(QStringLiteral("empty"));
        QVERIFY(!RoundClaims::open(empty, &error));
        QVERIFY2(error.contains("round import"), qPrintable(error));
        QVERIFY(!archive::importRound(QStringLiteral("archive.db"), kRound).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TstSharedRound)
#include "tst_shared_round.moc"
