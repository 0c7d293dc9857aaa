"""make-sample-product fills only a folder that is new, empty or its own earlier output."""
import os
import tempfile
import unittest

from tool_runs import make_sample_product


class MakeSampleProductTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.scratch = scratch.name
        self.out = os.path.join(scratch.name, "product")

    def test_folder_with_a_foreign_file_is_refused_and_left_intact(self):
        os.makedirs(self.out)
        with open(os.path.join(self.out, "thesis.doc"), "wb") as mine:
            mine.write(b"four years of work")
        code, errors = make_sample_product(self.scratch, self.out)
        self.assertEqual(1, code)
        self.assertIn("thesis.doc", errors)
        self.assertEqual(["thesis.doc"], os.listdir(self.out))
        with open(os.path.join(self.out, "thesis.doc"), "rb") as mine:
            self.assertEqual(b"four years of work", mine.read())

    def test_its_own_earlier_output_is_brought_up_to_date(self):
        code, errors = make_sample_product(self.scratch, self.out)
        self.assertEqual(0, code, errors)
        made = sorted(os.listdir(self.out))
        os.remove(os.path.join(self.out, "readme.txt"))
        with open(os.path.join(self.out, "demo.qcf"), "wb") as stale:
            stale.write(b"stale")
        with open(os.path.join(self.out, "unwise.exe.tmp"), "wb") as left_over:
            left_over.write(b"interrupted")
        code, errors = make_sample_product(self.scratch, self.out)
        self.assertEqual(0, code, errors)
        self.assertEqual(made, sorted(os.listdir(self.out)))
        with open(os.path.join(self.out, "demo.qcf"), "rb") as sample:
            self.assertNotEqual(b"stale", sample.read())


if __name__ == "__main__":
    unittest.main()
