#!/usr/bin/env python3
"""Writes a diary file as the program keeps it, filled with made-up but plausible entries.

One entry a day, ending today (or at --end) and going back --entries days; Windows-1251, CR LF.
Each entry holds the six keys the program writes, in its order; the four texts run from a few
hundred characters to a few kilobytes, in paragraphs, and are stored quoted with \\r\\n escapes
wherever they span more than one line. The same seed gives the same file.

    make-diary.py --entries 3650 --out /tmp/copy/Save.vnx
"""

import argparse
import datetime
import random
import sys

WHEN = ["Вскоре после засыпания", "Поздно ночью", "Перед пробуждением утром"]

OPENINGS = [
    "Снилось, что", "Сначала", "Потом", "Помню, как", "Всё началось с того, что",
    "Дальше", "Вдруг", "Через какое-то время", "В самом конце", "Кажется,",
    "Отчётливо помню, что", "Долго казалось, что", "Неожиданно",
]
SUBJECTS = [
    "я иду по старой улице", "мы с братом сидим на кухне", "бабушка зовёт меня в сад",
    "я опаздываю на поезд", "незнакомый человек в сером пальто спрашивает дорогу",
    "в квартире много комнат, которых раньше не было", "я стою на берегу широкой реки",
    "над городом летит огромная птица", "я снова сдаю экзамен в школе",
    "по лестнице поднимается кошка с жёлтыми глазами", "мы едем в автобусе через лес",
    "я нахожу в шкафу письмо без подписи", "на площади собирается толпа",
    "из окна видно море, хотя дом стоит в поле", "коллеги устраивают праздник в офисе",
    "я пытаюсь дозвониться до мамы", "в лесу горит костёр и кто-то поёт",
    "по снегу тянутся следы к заброшенной даче", "я держу в руках ключ от чужой двери",
    "в зеркале отражается не моя комната",
]
DETAILS = [
    "и всё вокруг залито тёплым светом", "хотя на часах было уже за полночь",
    "и никто не обращает на это внимания", "а под ногами скрипят половицы",
    "и в воздухе пахнет яблоками и дымом", "но голоса звучат будто издалека",
    "и я понимаю, что уже был здесь когда-то", "а небо становится зелёным",
    "и дорога всё время уходит вверх", "но лица людей невозможно разглядеть",
    "и мне совсем не страшно", "а вода поднимается всё выше",
    "и откуда-то доносится музыка", "но двери открываются сами собой",
    "и я вдруг осознаю, что сплю", "а время словно остановилось",
]
FEELINGS = [
    "Спокойствие", "Тревога", "Лёгкость", "Радость", "Тоска по дому", "Любопытство",
    "Страх высоты", "Умиротворение", "Растерянность", "Восторг", "Усталость",
    "Ощущение полёта", "Нежность", "Досада", "Ожидание чего-то важного",
]
SEEN = [
    "река", "старый дом", "поезд", "ключ", "кошка", "зеркало", "лестница", "море", "лес",
    "птица", "письмо", "костёр", "снег", "сад", "часы", "мост", "лодка", "свеча", "яблоки",
    "дорога", "окно", "колокол", "луна", "дождь", "книга",
]
MEANINGS = [
    "По соннику {word} означает перемены к лучшему.",
    "Видеть {word} — к скорой встрече со старым другом.",
    "{Word} во сне говорит о желании отдохнуть и побыть одному.",
    "Если верить толкованию, {word} предвещает хорошие новости.",
    "{Word} — знак того, что пора закончить начатое дело.",
    "Сонник связывает {word} с семейными хлопотами.",
]
REMARKS = [
    "Надо будет спросить у Ольги, что она думает.", "Похоже на сон прошлой недели.",
    "Запишу подробнее вечером.", "Совпало с тем, что было днём.",
    "Интересно, повторится ли это ещё раз.", "Проснулся с хорошим настроением.",
]


def sentence(rng):
    text = f"{rng.choice(OPENINGS)} {rng.choice(SUBJECTS)}, {rng.choice(DETAILS)}."
    return text[0].upper() + text[1:]


def paragraphs(rng, low, high, make):
    """Text of low..high characters, one to several lines."""
    target = rng.randint(low, high)
    lines, line = [], ""
    while sum(map(len, lines)) + len(line) < target:
        line = f"{line} {make(rng)}".strip()
        if len(line) > 200 and rng.random() < 0.4:
            lines.append(line)
            line = ""
    if line:
        lines.append(line)
    return "\r\n".join(lines)


def meaning(rng):
    word = rng.choice(SEEN)
    return rng.choice(MEANINGS).format(word=word, Word=word.capitalize())


def feeling(rng):
    return rng.choice(FEELINGS) + ("." if rng.random() < 0.5 else ", " + rng.choice(FEELINGS).lower() + ".")


def seen(rng):
    words = rng.sample(SEEN, rng.randint(2, 6))
    return (", ".join(words) + ".").capitalize() + (" " + rng.choice(REMARKS) if rng.random() < 0.3 else "")


def stored(value):
    """A value as the diary stores it: as it stands when it is a single line, else quoted."""
    if "\r" not in value and "\n" not in value:
        return value
    escaped = value.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")
    return f'"{escaped}"'


def entry(rng, date):
    values = [
        ("Сон был", rng.choice(WHEN)),
        ("Ощущения", paragraphs(rng, 50, 600, feeling)),
        ("Описание", paragraphs(rng, 300, 4000, sentence)),
        ("Виденное", paragraphs(rng, 100, 1500, seen)),
        ("Трактовка", paragraphs(rng, 100, 1500, meaning)),
        ("Степень ОС", str(rng.choice([0, 0, 0, 1, 2, 3, 5, 7, 10]))),
    ]
    lines = [f"[{date:%d.%m.%Y}]"] + [f"{key}={stored(value)}" for key, value in values]
    return "\r\n".join(lines) + "\r\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--entries", type=int, default=3650)
    parser.add_argument("--end", type=datetime.date.fromisoformat, default=datetime.date.today(),
                        help="date of the last entry, YYYY-MM-DD (default: today)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()

    rng = random.Random(args.seed)
    first = args.end - datetime.timedelta(days=args.entries - 1)
    text = "".join(entry(rng, first + datetime.timedelta(days=i)) for i in range(args.entries))
    with open(args.out, "wb") as out:
        out.write(text.encode("cp1251"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
