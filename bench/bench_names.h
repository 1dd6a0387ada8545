#pragma once
// Client names for the benchmark data: common surnames weighted the way a
// real client list is (a few very common, a long tail), invented surnames for
// the tail, and some names outside ASCII so that the case folding meets them.

#include "data/engine.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <cmath>
#include <random>
#include <vector>

namespace nettora::bench {

struct PersonName {
    QString first, middle, last;
    QString fullName() const
    {
        return middle.isEmpty() ? first + QLatin1Char(' ') + last
                                : first + QLatin1Char(' ') + middle + QStringLiteral(". ") + last;
    }
};

class NameGenerator {
public:
    explicit NameGenerator(unsigned seed = 20240601) : m_rng(seed)
    {
        const QStringList common = QStringLiteral(
            "Smith Johnson Williams Brown Jones Garcia Miller Davis Rodriguez Martinez Hernandez Lopez Gonzalez "
            "Wilson Anderson Thomas Taylor Moore Jackson Martin Lee Perez Thompson White Harris Sanchez Clark "
            "Ramirez Lewis Robinson Walker Young Allen King Wright Scott Torres Nguyen Hill Flores Green Adams "
            "Nelson Baker Hall Rivera Campbell Mitchell Carter Roberts Gomez Phillips Evans Turner Diaz Parker "
            "Cruz Edwards Collins Reyes Stewart Morris Morales Murphy Cook Rogers Gutierrez Ortiz Morgan Cooper "
            "Peterson Bailey Reed Kelly Howard Ramos Kim Cox Ward Richardson Watson Brooks Chavez Wood James "
            "Bennett Gray Mendoza Ruiz Hughes Price Alvarez Castillo Sanders Patel Myers Long Ross Foster "
            "Jimenez Powell Jenkins Perry Russell Sullivan Bell Coleman Butler Henderson Barnes Gonzales Fisher "
            "Vasquez Simmons Romero Jordan Patterson Alexander Hamilton Graham Reynolds Griffin Wallace Moreno "
            "West Cole Hayes Bryant Herrera Gibson Ellis Tran Medina Aguilar Stevens Murray Ford Castro "
            "Marshall Owens Harrison Fernandez McDonald Woods Washington Kennedy Wells Vargas Henry Chen Freeman "
            "Webb Tucker Guzman Burns Crawford Olson Simpson Porter Hunter Gordon Mendez Silva Shaw Snyder "
            "Mason Dixon Munoz Hunt Hicks Holmes Palmer Wagner Black Robertson Boyd Rose Stone Salazar Fox "
            "Warren Mills Meyer Rice Schmidt Garza Daniels Ferguson Nichols Stephens Soto Weaver Ryan Gardner "
            "Payne Grant Dunn Kelley Spencer Hawkins Arnold Pierce Vazquez Hansen Peters Santos Hart Bradley "
            "Knight Elliott Cunningham Duncan Armstrong Hudson Carroll Lane Riley Andrews Alvarado Ray Delgado "
            "Berry Perkins Hoffman Johnston Matthews Pena Richards Willis Carpenter Lawrence Sandoval Small "
            "Smart Smalley Smithson Baxter Bauer Barker Banks Ball Barrett Bates Baldwin Mack Maddox Malone "
            "Mann Manning Marsh Maxwell May Mayer Mathis Mata Macias")
                                       .split(QLatin1Char(' '));
        m_common = common;
        m_common << QStringLiteral("O'Brien") << QStringLiteral("O'Connor") << QStringLiteral("McAllister")
                 << QStringLiteral("MacGregor") << QStringLiteral("De la Cruz") << QStringLiteral("Van der Berg");
        // Zipf-like weights: the first names of the list are the most common.
        double total = 0;
        for (int i = 0; i < m_common.size(); ++i) {
            total += 1.0 / std::pow(i + 1, 0.8);
            m_cumulative.push_back(total);
        }
        m_foreign = QStringList{QStringLiteral("Müller"),     QStringLiteral("Müller-Lüdenscheidt"),
                                QStringLiteral("Núñez"),      QStringLiteral("Ibáñez"),
                                QStringLiteral("Øvergaard"),  QStringLiteral("Łukasiewicz"),
                                QStringLiteral("Dvořák"),     QStringLiteral("Šimek"),
                                QStringLiteral("Özdemir"),    QStringLiteral("Öztürk"),
                                QStringLiteral("Çelik"),      QStringLiteral("Ångström"),
                                QStringLiteral("Ólafsson"),   QStringLiteral("Żak"),
                                QStringLiteral("Élie"),       QStringLiteral("Иванов"),
                                QStringLiteral("Παπαδόπουλος"), QStringLiteral("Mütze")};
        const QStringList heads = QStringLiteral(
            "Al Bar Ber Bran Cal Car Dal Dor El Fair Gar Hal Har Kel Lang Mar Mor Nor Pem Quin Rad Ros Sal Stan "
            "Thorn Wal Wes Win Ash Black Ed Hol Kin Lind Pen Sher Tal Ver Whit Yar")
                                      .split(QLatin1Char(' '));
        const QStringList tails = QStringLiteral(
            "ber den ing ford ley ton wick more field worth ridge ham by stead wood ster land mont")
                                      .split(QLatin1Char(' '));
        for (const auto &h : heads)
            for (const auto &t : tails)
                m_invented << h + t;
        m_firsts = QStringLiteral(
            "James Mary Robert Patricia John Jennifer Michael Linda David Elizabeth William Barbara Richard Susan "
            "Joseph Jessica Thomas Sarah Charles Karen Christopher Lisa Daniel Nancy Matthew Betty Anthony "
            "Margaret Mark Sandra Donald Ashley Steven Kimberly Paul Emily Andrew Donna Joshua Michelle Kenneth "
            "Carol Kevin Amanda Brian Dorothy George Melissa Timothy Deborah Ronald Stephanie Edward Rebecca "
            "Jason Sharon Jeffrey Laura Ryan Cynthia Jacob Kathleen Gary Amy Nicholas Angela Eric Shirley "
            "Jonathan Anna Stephen Brenda Larry Pamela Justin Emma Scott Nicole Brandon Helen Benjamin Samantha "
            "Samuel Katherine Gregory Christine Alexander Debra Frank Rachel Patrick Carolyn Raymond Janet")
                        .split(QLatin1Char(' '));
        m_firsts << QStringLiteral("José") << QStringLiteral("François") << QStringLiteral("Zoë")
                 << QStringLiteral("Björn") << QStringLiteral("Søren") << QStringLiteral("Łucja")
                 << QStringLiteral("Renée") << QStringLiteral("Ñico");
    }

    QString lastName()
    {
        const double r = m_unit(m_rng);
        if (r < 0.03)
            return pick(m_foreign);
        if (r < 0.30)
            return pick(m_invented);
        const double w = m_unit(m_rng) * m_cumulative.back();
        const auto it = std::lower_bound(m_cumulative.begin(), m_cumulative.end(), w);
        return m_common[int(it - m_cumulative.begin())];
    }

    // A name no earlier call gave (first, middle initial and last together).
    PersonName uniqueName()
    {
        for (;;) {
            PersonName n;
            n.last = lastName();
            n.first = pick(m_firsts);
            const int m = int(m_unit(m_rng) * 27);
            n.middle = m == 26 ? QString() : QString(QLatin1Char(char('A' + m)));
            const QString key = n.first + QLatin1Char('|') + n.middle + QLatin1Char('|') + n.last;
            if (!m_seen.contains(key)) {
                m_seen.insert(key);
                return n;
            }
        }
    }

    std::mt19937 &rng() { return m_rng; }
    double unit() { return m_unit(m_rng); }
    const QString &pick(const QStringList &from) { return from[int(m_unit(m_rng) * from.size()) % from.size()]; }

private:
    std::mt19937 m_rng;
    std::uniform_real_distribution<double> m_unit{0.0, 1.0};
    QStringList m_common, m_foreign, m_invented, m_firsts;
    std::vector<double> m_cumulative;
    QSet<QString> m_seen;
};

// Appends count clients with plain SQL in one transaction (set-up only: the
// program itself adds clients through the cursor). Ids run from 1.
inline void insertClients(Database &db, int count, NameGenerator &names)
{
    static const QStringList cities = {QStringLiteral("Dallas"), QStringLiteral("Austin"),
                                       QStringLiteral("Houston"), QStringLiteral("Tulsa"),
                                       QStringLiteral("Denver"), QStringLiteral("Phoenix")};
    static const QStringList states = {QStringLiteral("TX"), QStringLiteral("TX"), QStringLiteral("TX"),
                                       QStringLiteral("OK"), QStringLiteral("CO"), QStringLiteral("AZ")};
    const QString sql = QStringLiteral(
        "INSERT INTO Client (FirstName, MiddleInitial, LastName, Birthday, Address, City, State, Zip, "
        "PersonalPhone, Email, Employer, FullName, CityStateZip, ClientDescription) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    Transaction tx(db);
    for (int i = 0; i < count; ++i) {
        Statement st = db.prepare(sql);  // the cached statement, reset when st goes
        const PersonName n = names.uniqueName();
        const int c = int(names.unit() * cities.size()) % cities.size();
        const QString zip = QString::number(70000 + int(names.unit() * 9999));
        const QString full = n.fullName();
        st.bindAll({n.first, n.middle.isEmpty() ? QVariant() : QVariant(n.middle), n.last,
                    QStringLiteral("%1/%2/%3").arg(1 + i % 12, 2, 10, QLatin1Char('0'))
                        .arg(1 + i % 28, 2, 10, QLatin1Char('0')).arg(40 + i % 50),
                    QStringLiteral("%1 Main Street").arg(100 + i % 9000), cities[c], states[c], zip,
                    QStringLiteral("214-555-%1").arg(i % 10000, 4, 10, QLatin1Char('0')),
                    QStringLiteral("client%1@example.com").arg(i), QStringLiteral("Acme Holdings"), full,
                    cities[c] + QStringLiteral(", ") + states[c] + QLatin1Char(' ') + zip,
                    full + QStringLiteral(" - personal statement")});
        st.run();
    }
    tx.commit();
}

}  // namespace nettora::bench
