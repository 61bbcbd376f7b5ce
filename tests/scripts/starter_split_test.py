#!/usr/bin/env python3
"""The starter texts' cleaning: untranslated English leaves another
language's text in either spelling, the help pages' English boilerplate
goes, and translations stay."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "scripts"))
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

    def test_strips_help_boilerplate(self):
        strip = split.LeftoverFilter.strip
        self.assertEqual(strip("Title is: Paramètres 3D"), "Paramètres 3D")
        self.assertEqual(
            strip("[text/scalc/01/func_imtan.xhp#imtan_head not found]."), "")
        self.assertEqual(
            strip("Voir [text/swriter/01/x.xhp#y not found] ici"), "Voir  ici")
        self.assertEqual(strip("Le titre est : Title is"), "Le titre est : Title is")


if __name__ == "__main__":
    unittest.main()
