#!/usr/bin/env python3
"""The conversions of `amblopad-cli convert`, as a user would script them
with the standard library (csv and xml.etree.ElementTree):

    py_convert.py csv2xml IN.csv OUT.xaqQ [DELIMITER]   Questionnaire CSV to an XML card file
    py_convert.py xml2moodle IN.xaqT OUT.xml             XML card file (Q or M) to a Moodle quiz

The mapping is the program's for the cases the generated files hold: columns
title, question, answer alternatives; alternatives as R elements, the further
ones hidden; Moodle questions shortanswer or multichoice with (*) grade
markers, CDATA-free texts escaped by the serialiser.
"""
import csv
import re
import sys
import xml.etree.ElementTree as ET

OPTIONS_Q = [("OU_VISIBLE", "or", None), ("OU_CACHE", ";", None)] + [
    (n, None, "non") for n in ("REPOSER_ERREURS", "SUIVRE_ORDRE", "BRIDER_ENTREE", "MOT_A_MOT",
                               "DIFFERENCIER_CASSE", "PHONETIQUE")
] + [("NOMBRE_QUESTIONS", "0", None), ("SCORE_SATISFAISANT", "50", None),
     ("CORRECTION", None, "non"), ("TEMPS", "0", None), ("PONCTUATION", "!\"',-.:;?", None)]


def sub(parent, tag, text=None, **attrs):
    e = ET.SubElement(parent, tag, attrs)
    if text is not None:
        e.text = text
    e.tail = "\n"
    return e


def csv2xml(source, destination, delimiter):
    root = ET.Element("AMBLORINE", {"VERSION": "7.8", "TYPE": "Q", "ID_FICHE": "F",
                                    "ID_CHAMP0": "I", "ID_CHAMP1": "Q", "ID_CHAMP2": "R"})
    root.text = "\n"
    options = sub(root, "OPTIONS")
    options.text = "\n"
    for name, text, value in OPTIONS_Q:
        if value is None:
            sub(options, name, text)
        else:
            sub(options, name, VALEUR=value)
    with open(source, encoding="utf-8", newline="") as f:
        for row in csv.reader(f, delimiter=delimiter):
            if not row:
                continue
            if len(row) < 3:
                sys.exit("Not enough fields found in the CSV file !")
            card = sub(root, "F")
            card.text = "\n"
            sub(card, "I", row[0])
            sub(card, "Q", row[1].replace("\n", "\r\n"))
            answer = " ; ".join(row[2:])
            for i, piece in enumerate(answer.split(";")):
                if i == 0:
                    sub(card, "R", piece)
                else:
                    sub(card, "R", piece, CACHE="oui")
    ET.ElementTree(root).write(destination, encoding="UTF-8", xml_declaration=True)


GRADE = re.compile(r"\(\*(.*?)\*\)")


def marker(text, empty, default):
    """Grade or type marker: (value, rest of the text)."""
    p = text.find("(*")
    q = text.find("*)", p + 1) if p >= 0 else -1
    if p < 0 or q < 0:
        return default, text.strip()
    content = text[p + 2:q].strip()
    if empty is not None and content == "":
        content = empty
    content = content.replace(",", ".", 1)
    rest = text[q + 2:].strip() if p < 3 else (text[:p] + text[q + 2:]).strip()
    return content, rest


def xml2moodle(source, destination):
    card_file = ET.parse(source).getroot()
    ids = (card_file.get("ID_FICHE", "F"), card_file.get("ID_CHAMP0", "I"),
           card_file.get("ID_CHAMP1", "Q"), card_file.get("ID_CHAMP2", "R"))
    options = card_file.find("OPTIONS")
    mcq = card_file.get("TYPE") == "M"
    separator = "===" if mcq else ";"
    if options is not None:
        for name in ("OU_CACHE", "FRAGMENTEUR"):
            e = options.find(name)
            if e is not None and e.text:
                separator = e.text
    quiz = ET.Element("quiz")
    quiz.text = "\n"
    for card in card_file.iter(ids[0]):
        title = (card.findtext(ids[1]) or "").strip()
        kind, question_text = marker(card.findtext(ids[2]) or "", None, "")
        answer = separator.join(e.text or "" for e in card.findall(ids[3]))
        if not mcq:
            answer = " ; ".join(e.text or "" for e in card.findall(ids[3]))
        question = sub(quiz, "question")
        question.text = "\n"
        sub(sub(question, "name"), "text", title)
        if kind == "":
            kind = "multichoice" if "(*" in answer else "shortanswer"
        question.set("type", kind)
        sub(sub(question, "questiontext"), "text", question_text)
        default = "100" if kind in ("shortanswer", "numerical") else "0"
        counted = zeros = 0
        for piece in answer.split(separator):
            piece = piece.strip()
            if not piece:
                continue
            grade, text = marker(piece, "100", default)
            counted += 1
            zeros += grade == "0"
            element = sub(question, "answer", fraction=grade)
            element.text = "\n"
            sub(element, "text", text)
        if kind.startswith("multichoice"):
            sub(question, "single", "true" if counted - 1 == zeros else "false")
            sub(question, "answernumbering", "none")
            sub(question, "shuffleanswers", "true")
    ET.ElementTree(quiz).write(destination, encoding="UTF-8", xml_declaration=True)


if __name__ == "__main__":
    if sys.argv[1] == "csv2xml":
        csv2xml(sys.argv[2], sys.argv[3], sys.argv[4] if len(sys.argv) > 4 else ";")
    elif sys.argv[1] == "xml2moodle":
        xml2moodle(sys.argv[2], sys.argv[3])
    else:
        sys.exit("usage: py_convert.py csv2xml|xml2moodle IN OUT")
