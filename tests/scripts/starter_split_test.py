#!/usr/bin/env python3
"""The starter texts' cleaning: untranslated English leaves another
language's text in either spelling, whole or within a translated
paragraph, the help pages' English boilerplate, codes, addresses, formulas,
mnemonics and words in scripts foreign to the language go, and
translations, loans and names stay."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "scripts"))
import starter_sources as src  # noqa: E402
import starter_split as split  # noqa: E402

ENGLISH = ["Colour and Contrast", "Cancelled", "Personalise Toolbar",
           "Centre", "Dialogue boxes must be labelled."]


class LeftoverFilterTest(unittest.TestCase):
    def setUp(self):
        self.leftovers = split.LeftoverFilter(ENGLISH)

    def test_drops_english_in_british_or_american_spelling(self):
        for line in ["Color and Contrast", "colour and contrast", "Canceled",
                     "Personalize Toolbar", "Center"]:
            self.assertFalse(self.leftovers.keep(line, True), line)

    def test_keeps_translations(self):
        for line in ["Couleur et contraste", "Annulé", "Farbe und Kontrast",
                     "Centro", "Barra degli strumenti"]:
            self.assertTrue(self.leftovers.keep(line, True), line)

    def test_drops_latin_lines_only_from_other_scripts(self):
        line = "Ponovo učitaj stranicu"
        self.assertTrue(self.leftovers.keep(line, True))
        self.assertFalse(self.leftovers.keep(line, False))

    def test_drops_english_whatever_the_punctuation_but_keeps_compounds(self):
        leftovers = split.LeftoverFilter(["Request Headers", "Firmware Version"])
        self.assertFalse(leftovers.keep("Request Headers:", True))
        self.assertFalse(leftovers.keep("“Firmware version”", True))
        self.assertTrue(leftovers.keep("Firmware-Version", True))

    def test_cuts_english_runs_out_of_translations(self):
        leftovers = split.LeftoverFilter([
            "Previous key symbol", "Frame elements must be labelled. Learn more",
            "Make sure your Bluetooth adapter is turned on",
            "Keyboard shortcuts in LibreOffice Impress",
            "entity declared in parameter entity"])
        own = ["Zorg dat uw Bluetooth-adapter is ingeschakeld",
               "Tastenkombinationen in LibreOffice Impress", "Symbol"] * 20
        foreign = leftovers.foreign_words(own)
        cases = [
            ("Previous key symbol (Audio zurück)", "(Audio zurück)"),
            ("olem (entity declared in parameter entity) puudub", "olem puudub"),
            ("Kaadrid: frame elements must be labeled. Learn more", "Kaadrid:"),
            # Shared names, loans and short words are the language's own.
            ("Tastenkombinationen in LibreOffice Impress",) * 2,
            ("Zorg dat uw Bluetooth-adapter is ingeschakeld.",) * 2,
        ]
        for line, kept in cases:
            self.assertEqual(leftovers.without_english_runs(line, foreign), kept)

    def test_strips_help_boilerplate(self):
        strip = split.LeftoverFilter.strip
        self.assertEqual(strip("Title is: Paramètres 3D"), "Paramètres 3D")
        self.assertEqual(
            strip("[text/scalc/01/func_imtan.xhp#imtan_head not found]."), "")
        self.assertEqual(
            strip("Voir [text/swriter/01/x.xhp#y not found] ici"), "Voir  ici")
        self.assertEqual(strip("Le titre est : Title is"), "Le titre est : Title is")


class NotTextTest(unittest.TestCase):
    def test_codes_addresses_formulas_and_mnemonics_go(self):
        cases = [
            ("Europa occidental (ISO-8859-15)", "Europa occidental"),
            ("Zapadna Europa (DOS/OS2-850/Međunarodni)",
             "Zapadna Europa (DOS/ /Međunarodni)"),
            ("Japoński (Windows-932)", "Japoński"),
            ("=MODUS(A1:A50) gibt 3 zurück", "gibt 3 zurück"),
            ("Zie https://crashreport.libreoffice.org/stats/ of", "Zie of"),
            ("Bestand /usr/share/doc/x openen", "Bestand openen"),
            ("Schreiben an info@example.org", "Schreiben an"),
            ("~Datei _Öffnen", "Datei Öffnen"),
            ("Stor ( )", "Stor"),
        ]
        for text, kept in cases:
            self.assertEqual(src.clean(text), kept)

    def test_words_with_numbers_and_short_codes_stay(self):
        for text in ["5:ssä sivulla", "a 10-es szám", "le 1er janvier",
                     "das 3D-Objekt", "Nombre_complexe est un nombre"]:
            self.assertEqual(src.clean(text), text)

    def test_access_keys_within_interface_words_go(self):
        self.assertEqual(src.without_mnemonics(["re_dimensionada", "A_lta",
                                                "snake_case", "_File", "x_1"]),
                         ["redimensionada", "Alta", "snakecase", "_File", "x_1"])


class ForeignScriptTest(unittest.TestCase):
    def test_own_scripts_are_those_of_one_letter_in_a_hundred(self):
        self.assertEqual(split.own_scripts(["Текст", "Firefox"] * 3),
                         {"CYRILLIC", "LATIN"})
        self.assertEqual(split.own_scripts(["日本語のテキスト"]),
                         {"CJK", "HIRAGANA", "KATAKANA", "LATIN"})

    def test_words_wholly_in_a_foreign_script_go(self):
        latin = {"LATIN"}
        self.assertEqual(split.without_foreign_words(
            "А, Б, .., Аа (serbiu) α, β (kreikka) ١, ٢ (Árabe)", latin),
            ", , .., (serbiu) , (kreikka) , (Árabe)")
        # Kabyle writes ε and ʻ within Latin words.
        self.assertEqual(split.without_foreign_words("uεeddi Gʻarbiy", latin),
                         "uεeddi Gʻarbiy")
        self.assertEqual(split.without_foreign_words(
            "А, Б (俄文) ひらがな", {"CJK", "LATIN"}), ", (俄文)")


if __name__ == "__main__":
    unittest.main()
