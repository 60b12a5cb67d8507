"""The desktop program used as a user (or a screen reader) uses it: each
control found through the accessibility tree by its role and name, text typed
into fields, buttons pressed, and what the windows say read back."""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import wave

import pyatspi

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else "brenmark"
# The command-line program of the same build, which sets the recorders' pace.
CLI = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(PROGRAM))), "cli", "brenmark-cli")


def wait_for(condition, what, timeout=60):
    """Polls `condition` until it gives something true, and returns it."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            value = condition()
        except Exception:  # the tree changes under the walk while windows come and go
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


def descendants(node):
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        yield from descendants(child)


def has_state(node, state):
    return node.getState().contains(state)


def text_of(node):
    text = node.queryText()
    return text.getText(0, text.characterCount)


class Program:
    """One run of the desktop program, its windows reached through AT-SPI."""

    def __init__(self, data_dir):
        # What the program remembers stays beside the case's data folder.
        config = os.path.join(os.path.dirname(data_dir), "config")
        environment = dict(os.environ, XDG_CONFIG_HOME=config)
        self.process = subprocess.Popen([PROGRAM, "--data-dir", data_dir], env=environment)
        self.app = wait_for(self._application, "the program on the accessibility bus")

    def _application(self):
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.get_process_id() == self.process.pid and app.childCount > 0:
                return app
        return None

    def windows(self):
        for index in range(self.app.childCount):
            window = self.app.getChildAtIndex(index)
            if window is not None and has_state(window, pyatspi.STATE_SHOWING):
                yield window

    def window(self, title):
        """The top-level window titled `title` (or starting so), once it shows."""
        try:
            return wait_for(lambda: next((w for w in self.windows() if w.name.startswith(title)), None),
                            "the window " + title)
        except AssertionError as error:
            shown = ["'%s': %s" % (w.name, labels(w)) for w in self.windows()]
            raise AssertionError("%s; the windows shown: %s" % (error, "; ".join(shown))) from None

    def main(self):
        return self.window("Brenmark - Demo Application")

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


def find_control(root, role, name, showing=True):
    for node in descendants(root):
        if node.getRoleName() == role and node.name == name and (
                not showing or has_state(node, pyatspi.STATE_SHOWING)):
            return node
    return None


def control(root, role, name, showing=True):
    """The control of `root` with the role and name, once it shows."""
    return wait_for(lambda: find_control(root, role, name, showing), "%s '%s' in '%s'" % (role, name, root.name))


def press(root, name, role="push button"):
    button = control(root, role, name)
    wait_for(lambda: has_state(button, pyatspi.STATE_ENABLED), "'%s' enabled" % name)
    button.queryAction().doAction(0)


def close_with(window, name):
    """Presses the button that closes `window`, and waits until it has gone."""
    press(window, name)
    wait_for(lambda: has_state(window, pyatspi.STATE_DEFUNCT) or not has_state(window, pyatspi.STATE_SHOWING),
             "'%s' to close" % window.name)


def type_into(root, name, text):
    control(root, "text", name).queryEditableText().setTextContents(text)


def labels(window):
    return [node.name for node in descendants(window) if node.getRoleName() == "label"]


def write_wav(path, seconds):
    with wave.open(path, "wb") as out:
        out.setnchannels(2)
        out.setsampwidth(2)
        out.setframerate(44100)
        out.writeframes(struct.pack("<hh", 1000, -1000) * (44100 * seconds))


class DesktopAsUser(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="brenmark-atspi-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.program = Program(os.path.join(self.work, "discs"))
        self.addCleanup(self.program.close)
        self.main = self.program.main()

    def source_folder(self, name):
        folder = os.path.join(self.work, "src", name)
        os.makedirs(folder)
        with open(os.path.join(folder, "only-here.txt"), "w") as out:
            out.write("the contents of %s\n" % name)
        return folder

    def burn_cd(self):
        """Presses Burn CD, then Burn in the speed dialog; the image the job kept."""
        press(self.main, "Burn CD")
        close_with(self.program.window("Oakhollow Demo - Speed Selection"), "Burn")
        progress = self.program.window("Current Progress - Burn CD")
        ending = wait_for(lambda: [text for text in labels(progress) if text.startswith("Finished.")],
                          "the burn's ending line")
        return re.search(r"kept as (.*)\.$", ending[0]).group(1)

    def message_box(self, text):
        return wait_for(lambda: next((w for w in self.program.windows() if text in labels(w)), None),
                        "the message " + text)

    def start_scan_of_the_root(self):
        type_into(self.main, "Selected Folder To Burn:", "/")
        press(self.main, "Burn CD")
        control(self.main, "push button", "Cancel Scan")

    def test_burn_takes_the_folder_the_field_shows_and_cancel_restores_it(self):
        first, second = self.source_folder("small2"), self.source_folder("small")
        type_into(self.main, "Selected Folder To Burn:", first)
        press(self.main, "Burn CD")
        close_with(self.program.window("Oakhollow Demo - Speed Selection"), "Cancel")

        # Changed without Enter: Burn scans the new text and burns it.
        type_into(self.main, "Selected Folder To Burn:", second)
        image = self.burn_cd()
        with open(image if image.endswith(".iso") else image.replace(".cue", ".bin"), "rb") as disc:
            contents = disc.read()
        self.assertIn(b"the contents of small\n", contents)
        self.assertNotIn(b"the contents of small2", contents)

        # A cancelled scan puts the folder taken before back in the field.
        self.start_scan_of_the_root()
        press(self.main, "Cancel Scan")
        field = control(self.main, "text", "Selected Folder To Burn:")
        wait_for(lambda: text_of(field) == second, "the field showing " + second)
        self.assertFalse(has_state(control(self.main, "push button", "Cancel Scan", showing=False),
                                   pyatspi.STATE_SHOWING))

    def test_the_field_is_locked_while_burn_waits_and_the_speed_dialog_names_the_folder(self):
        self.start_scan_of_the_root()
        field = control(self.main, "text", "Selected Folder To Burn:")
        self.assertFalse(has_state(field, pyatspi.STATE_ENABLED))
        press(self.main, "Cancel Scan")
        wait_for(lambda: has_state(field, pyatspi.STATE_ENABLED), "the field editable again")

        folder = self.source_folder("named")
        type_into(self.main, "Selected Folder To Burn:", folder)
        press(self.main, "Burn CD")
        speed = self.program.window("Oakhollow Demo - Speed Selection")
        self.assertIn("Folder: %s (0.0 MB)" % folder, labels(speed))
        close_with(speed, "Cancel")

    def test_a_progress_window_opens_beside_the_main_window(self):
        type_into(self.main, "Selected Folder To Burn:", self.source_folder("beside"))
        self.burn_cd()
        progress = self.program.window("Current Progress - Burn CD")

        def extents(window):
            box = window.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
            return box.x, box.y, box.x + box.width, box.y + box.height

        main, job = extents(self.main), extents(progress)
        overlap = main[0] < job[2] and job[0] < main[2] and main[1] < job[3] and job[1] < main[3]
        self.assertFalse(overlap, "main %s, progress %s" % (main, job))

    def test_exit_during_a_scan_ends_the_program(self):
        self.start_scan_of_the_root()
        press(self.main, "Exit")
        wait_for(lambda: self.program.process.poll() is not None, "the program to end", timeout=30)
        self.assertEqual(self.program.process.returncode, 0)

    def test_audio_files_are_checked_as_they_are_added(self):
        good = os.path.join(self.work, "tone.wav")
        write_wav(good, 5)
        bad = os.path.join(self.work, "words.wav")
        with open(bad, "w") as out:
            out.write("no samples here")
        press(self.main, "Run Audio CD Test")
        dialog = self.program.window("Oakhollow - Audio CD Burning Test")
        ok = control(dialog, "push button", "OK")
        self.assertFalse(has_state(ok, pyatspi.STATE_ENABLED))

        def add(path):
            press(dialog, "Add Files...")
            chooser = wait_for(lambda: next((window for window in self.program.windows()
                                             if find_control(window, "text", "File name:")), None),
                               "the file dialog")
            type_into(chooser, "File name:", path)
            close_with(chooser, "Open")
            return wait_for(lambda: [node.name for node in descendants(dialog) if node.name == path],
                            "the list showing " + path)

        add(bad)
        wait_for(lambda: [node for node in descendants(dialog)
                          if node.name.startswith("Refused: not a WAV file")], "the refusal of " + bad)
        self.assertFalse(has_state(ok, pyatspi.STATE_ENABLED))
        add(good)
        wait_for(lambda: [node for node in descendants(dialog) if node.name == "0:05"], "the length of " + good)
        self.assertTrue([text for text in labels(dialog) if text.startswith("Total: 1 file, 0:05, ")], labels(dialog))
        self.assertTrue(has_state(ok, pyatspi.STATE_ENABLED))
        close_with(dialog, "Cancel")

    def test_about_is_a_button_of_the_main_window(self):
        about = control(self.main, "push button", "About Brenmark")
        self.assertEqual(about.queryAction().getKeyBinding(0).split(";")[0].lower(), "alt+a")
        press(self.main, "About Brenmark")
        box = self.program.window("About Brenmark")
        self.assertIn("Brenmark Version 1.0", labels(box))
        close_with(box, "OK")

    def test_controls_follow_the_recorder_and_the_disc(self):
        audio, video = (control(self.main, "push button", name) for name in ("Run Audio CD Test", "Run Video CD Test"))
        self.assertTrue(has_state(audio, pyatspi.STATE_ENABLED))
        drives = next(node for node in descendants(control(self.main, "panel", "Current Device:"))
                      if node.getRoleName() == "combo box")
        # The list opened and the DVD recorder clicked, as a user chooses it.
        drives.queryAction().doAction(0)
        item = control(drives, "list item", "virtual-dvd: Brenmark Virtual DVD-R")
        x, y, width, height = item.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        pyatspi.Registry.generateMouseEvent(x + width // 2, y + height // 2, pyatspi.MOUSE_B1C)
        wait_for(lambda: drives.name.startswith("virtual-dvd"), "the DVD recorder chosen")
        wait_for(lambda: not has_state(audio, pyatspi.STATE_ENABLED), "no audio CD on the DVD recorder")
        self.assertFalse(has_state(video, pyatspi.STATE_ENABLED))

        # A blank disc has no tracks, which is all it is told about it: the
        # grab stops before the track dialog.
        type_into(self.main, "Output Folder:", self.work)
        press(self.main, "Run Grab Test")
        close_with(self.message_box("The disc in the drive is blank: it holds no audio tracks to grab."), "OK")
        self.assertFalse([w for w in self.program.windows() if w.name.startswith("Oakhollow - Audio Grabbing")])

    def test_stop_ends_a_burn_after_the_question_about_the_disc(self):
        folder = os.path.join(self.work, "src", "large")
        os.makedirs(folder)
        with open(os.path.join(folder, "data.bin"), "wb") as out:
            out.write(os.urandom(48 * 1024 * 1024))
        # At the real pace the burn lasts long enough to be stopped.
        subprocess.run([CLI, "--data-dir", os.path.join(self.work, "discs"), "--drive", "virtual-cd",
                        "tray", "pace", "real"], check=True, stdout=subprocess.DEVNULL)
        type_into(self.main, "Selected Folder To Burn:", folder)
        press(self.main, "Burn CD")
        close_with(self.program.window("Oakhollow Demo - Speed Selection"), "Burn")
        progress = self.program.window("Current Progress - Burn CD")
        wait_for(lambda: "Writing Data To CD..." in labels(progress), "the burn writing")
        press(progress, "Stop")
        question = wait_for(lambda: next((w for w in self.program.windows()
                                          if any(text.startswith("Stop the burn?") for text in labels(w))), None),
                            "the question about the disc")
        self.assertTrue([text for text in labels(question) if "cannot be erased" in text], labels(question))
        close_with(question, "Yes")
        wait_for(lambda: "Stopped by the user." in labels(progress), "the window saying the burn was stopped",
                 timeout=120)
        self.assertIsNone(find_control(progress, "push button", "Stop"))
        self.assertTrue(has_state(control(progress, "push button", "Close"), pyatspi.STATE_ENABLED))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"], warnings="ignore")
