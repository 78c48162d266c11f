#pragma once

#include "store/IniCodec.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <random>

// Diaries that look like years of real use: one entry a day, four memos of a few hundred
// characters to a few kilobytes of Russian text over several lines, the time of night and a
// degree from 0 to 10. The same seed always gives the same diary, byte for byte.
class DiaryGenerator
{
public:
    static inline const QStringList kKeys = {"Сон был",  "Ощущения",  "Описание",
                                             "Виденное", "Трактовка", "Степень ОС"};

    explicit DiaryGenerator(std::uint32_t seed) : m_random(seed) {}

    static QString dateOf(int entry)
    {
        return QDate(1930, 1, 1).addDays(entry).toString(QStringLiteral("dd.MM.yyyy"));
    }

    struct Entry {
        QString date;
        QStringList values; // in the order of kKeys
    };

    Entry entry(int index)
    {
        Entry e{dateOf(index), {}};
        e.values << pick(kTimes);
        for (int i = 0; i < 4; ++i)
            e.values << memo();
        e.values << QString::number(below(11));
        return e;
    }

    // The diary file as the program writes it: Windows-1251, CR LF, entries in date order. The
    // entry numbered `keep` is also handed back as values.
    QByteArray diary(int entries, int keep = -1, Entry *kept = nullptr)
    {
        const IniCodec codec(IniCodec::Page::Windows1251);
        QByteArray bytes;
        bytes.reserve(qsizetype(entries) * 5200);
        for (int i = 0; i < entries; ++i) {
            Entry e = entry(i);
            bytes += '[' + codec.encode(e.date) + "]\r\n";
            for (int k = 0; k < kKeys.size(); ++k)
                bytes += codec.encode(kKeys[k]) + '=' + codec.encodeValue(e.values[k]) + "\r\n";
            if (i == keep && kept)
                *kept = std::move(e);
        }
        return bytes;
    }

    // Most memos are short; now and then one runs to a few kilobytes.
    QString memo()
    {
        const double r = below(10'000) / 10'000.0;
        const int length = 200 + int(r * r * 2800);
        QString text;
        while (text.size() < length) {
            if (!text.isEmpty())
                text += QStringLiteral("\r\n");
            const int sentences = 1 + below(4);
            for (int s = 0; s < sentences; ++s) {
                if (s > 0)
                    text += u' ';
                text += sentence();
            }
        }
        return text;
    }

private:
    QString sentence()
    {
        const int words = 4 + below(11);
        QString text;
        for (int w = 0; w < words; ++w) {
            QString word = pick(kWords);
            if (w == 0)
                word[0] = word[0].toUpper();
            else
                text += below(8) == 0 ? QStringLiteral(", ") : QStringLiteral(" ");
            text += word;
        }
        text += pick(kEndings);
        return text;
    }

    int below(int n) { return int(m_random() % std::uint32_t(n)); }
    const QString &pick(const QStringList &list) { return list[below(int(list.size()))]; }

    static inline const QStringList kTimes = {"Поздно ночью",   "Под утро", "Около полуночи",
                                              "Рано утром",     "Днём",     "Вечером",
                                              "Перед рассветом"};
    static inline const QStringList kEndings = {".", ".", ".", "!", "?", "..."};
    static inline const QStringList kWords = {
        "я",         "мы",         "он",       "она",      "они",       "снова",   "долго",
        "вдруг",     "тихо",       "медленно", "быстро",   "почему-то", "шёл",     "бежал",
        "летел",     "плыл",       "стоял",    "смотрел",  "искал",     "нашёл",   "забыл",
        "вспомнил",  "видел",      "слышал",   "говорил",  "молчал",    "ждал",    "открыл",
        "закрыл",    "понял",      "дом",      "лес",      "река",      "море",    "город",
        "поезд",     "станция",    "мост",     "лестница", "коридор",   "окно",    "дверь",
        "школа",     "комната",    "сад",      "поле",     "гора",      "берег",   "небо",
        "луна",      "солнце",     "звёзды",   "дождь",    "снег",      "туман",   "ветер",
        "огонь",     "вода",       "свет",     "тень",     "мама",      "отец",    "бабушка",
        "друг",      "незнакомец", "учитель",  "кошка",    "собака",    "птица",   "рыба",
        "конь",      "волк",       "старый",   "новый",    "тёмный",    "светлый", "огромный",
        "маленький", "красный",    "синий",    "зелёный",  "белый",     "чёрный",  "золотой",
        "странный",  "знакомый",   "пустой",   "тёплый",   "холодный",  "далёкий", "в",
        "на",        "под",        "над",      "за",       "через",     "около",   "вдоль",
        "и",         "но",         "а",        "потом",    "там",       "здесь",   "никто",
        "все",       "кто-то",     "что-то",   "осознал",  "что",       "сплю",    "проснулся",
        "полетел",   "упал",       "часы",     "ключ",     "письмо",    "книга",   "зеркало",
        "фонарь",    "лодка",      "автобус",  "самолёт",  "крыша",     "подвал",  "чердак",
    };

    std::mt19937 m_random;
};
