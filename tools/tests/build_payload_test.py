"""The payload builder refuses a product folder that lacks a file setup.exe expects."""
import os
import tempfile
import unittest

from tool_runs import BUILD_PAYLOAD, make_sample_product, run


class BuildPayloadTest(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.product = os.path.join(scratch.name, "product")
        self.out = os.path.join(scratch.name, "qbar47.dat")
        self.stub = os.path.join(scratch.name, "stub.exe")
        with open(self.stub, "wb") as stub:
            stub.write(b"MZ stand-in self-extractor")
        code, errors = make_sample_product(scratch.name, self.product)
        self.assertEqual(0, code, errors)

    def build(self):
        return run(BUILD_PAYLOAD, self.stub, self.product, self.out)

    def assert_refused_for_lacking(self, name):
        os.remove(os.path.join(self.product, name))
        code, errors = self.build()
        self.assertEqual(1, code)
        self.assertEqual([f"build-payload: {name}: missing (the setup program expects it)"],
                         errors.splitlines())
        self.assertEqual([], [name for name in os.listdir(os.path.dirname(self.out))
                              if name.startswith("qbar47.dat")])

    def test_product_lacking_a_plugin_is_refused(self):
        self.assert_refused_for_lacking("QBarWeather.htm")

    def test_product_lacking_unwise_is_refused(self):
        self.assert_refused_for_lacking("unwise.exe")

    def test_samples_in_other_letter_case_count(self):
        os.rename(os.path.join(self.product, "default.qcf"),
                  os.path.join(self.product, "Default.QCF"))
        code, errors = self.build()
        self.assertEqual(0, code, errors)
        self.assertTrue(os.path.isfile(self.out))

    def test_partial_packs_a_folder_that_is_not_a_whole_product(self):
        os.remove(os.path.join(self.product, "unwise.exe"))
        code, errors = run(BUILD_PAYLOAD, "--partial", self.stub, self.product, self.out)
        self.assertEqual(0, code, errors)
        self.assertTrue(os.path.isfile(self.out))


if __name__ == "__main__":
    unittest.main()
