"""The programs the dictd comparison runs: dictbuild's import, mdbview's pages, and Debian's dictd
server with its dict client, each wait bounded."""

import concurrent.futures
import os
import re
import shutil
import signal
import socket
import stat
import subprocess
import tempfile
import time

BATCH = 250  # words a dict call: one process start for many look-ups
STARTUP_SECONDS = 120  # dictd builds its own index of every dictionary first
CALL_SECONDS = 300


_BASE64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"


def _number(text):
    value = 0
    for c in text:
        value = value * 64 + _BASE64.index(c)
    return value


class Index:
    """A dictd index: its headwords in order, and for a word the articles dictd's DEFINE
    gives, in its order, each with whether the glossary's page joins it."""

    def __init__(self, path):
        self.lines = []  # (headword, offset, length)
        with open(path, encoding="utf-8", errors="replace") as index:
            for line in index:
                fields = line.rstrip("\n").split("\t")
                if len(fields) >= 3:
                    self.lines.append((fields[0], _number(fields[1]), _number(fields[2])))
        # Without this entry dictd compares only letters, digits and blanks: "freelance"
        # finds "free-lance" too.
        self.allchars = any(h.replace("-", "") == "00databaseallchars" for h, _, _ in self.lines)
        # dictd serves the bytes as they are: Latin-1 unless the dictionary says UTF-8.
        self.encoding = "utf-8" if any(h.replace("-", "") == "00databaseutf8"
                                       for h, _, _ in self.lines) else "latin-1"
        self.by_key = {}
        for headword, offset, length in self.lines:
            self.by_key.setdefault(self.key(headword), []).append((headword, offset, length))
        # As dictfmt writes an index by default: every key lower-case letters, digits and
        # blanks. Only there is an article named by a first line of its key's letters.
        self.normalised = all(c == " " or (c.isalnum() and not c.isupper())
                              for h, _, _ in self.lines
                              if not h.startswith(("00-database", "00database")) for c in h)

    def key(self, headword):
        text = headword.casefold()
        if not self.allchars:
            text = "".join(c for c in text if c.isalnum() or c.isspace())
        return " ".join(text.split())

    def headwords(self):
        """Distinct headwords in index order; the server's own entries (00-database-...) are
        no headwords."""
        seen, headwords = set(), []
        for headword, _, _ in self.lines:
            if headword.startswith(("00-database", "00database")) or not headword.strip():
                continue
            if headword not in seen:
                seen.add(headword)
                headwords.append(headword)
        return headwords

    def filed(self, word):
        """The headwords each article dictd gives for `word` is filed under, in dictd's order
        (an article filed twice is given once: "Re-organize" and "Reorganize")."""
        articles = {}
        for headword, offset, length in self.by_key.get(self.key(word), []):
            articles.setdefault((offset, length), []).append(headword)
        return list(articles.values())

    def named(self, word, definitions):
        """The terms the glossary lists `word`'s articles under (`definitions`, as dictd gives
        them), each with the headwords of `filed` as the glossary names them: in a normalised
        index an article whose first line has its key's letters and digits is named by that
        line ("drivertoguard" is "driver-to-guard"), as when the line is the key in another
        case; elsewhere by its key. Terms equal but for case are one page."""
        filed = self.filed(word)
        if not self.normalised:
            return [(word, filed)]
        if len(filed) != len(definitions):  # dictd's answer is not the index's: each its own
            filed = [[word] for _ in definitions]
        renamed = [[_as_written(h, d) for h in headwords]
                   for headwords, d in zip(filed, definitions)]
        terms = {}
        for headwords, names in zip(filed, renamed):
            for headword, name in zip(headwords, names):
                if _folded(headword) == _folded(word):
                    terms.setdefault(_folded(name), name)
        return [(term, renamed) for term in terms.values()] or [(word, filed)]


def _folded(text):
    return " ".join(text.split()).casefold()


def _letters(text):
    """The letters and digits the import compares a first line and its key by: general
    punctuation and Latin-1's symbols are none."""
    return "".join(c for c in text if (c.isascii() and c.isalnum()) or c in "\xaa\xb5\xba" or (
        ord(c) >= 0xC0 and c not in "\xd7\xf7" and not 0x2000 <= ord(c) <= 0x206F)).casefold()


def _unframed(line):
    """The line without Ding's frame, as the import names its term: a fragment's leading
    ellipsis ("… and Bob's your uncle!"), a title's quotes ("„Romeo und Julia“"); quotes that
    open and close more than the whole line stay."""
    if len(line) > 1 and line[0] == "\u2026":
        rest = line.lstrip(" -\u2026")
        return rest or line
    for opening, closing in (("\u201e", "\u201c"), ("\u201c", "\u201d"), ('"', '"'), ("'", "'")):
        if len(line) < 3 or line[0] != opening or line[-1] != closing:
            continue
        inner = line[1:-1]
        for at, c in enumerate(inner):
            if c != closing:
                continue
            between = 0 < at < len(inner) - 1 and _letters(inner[at - 1]) and _letters(inner[at + 1])
            if not between or closing != "'":
                return line
        return inner if opening == closing or opening not in inner else line
    return line


def _as_written(headword, definition):
    first = definition.split("\n", 1)[0].strip(" \t\r\n")
    return _unframed(first) if first and _letters(first) == _letters(headword) else headword


def sample_headwords(index, count, rng):
    """`count` distinct headwords of the index (all when it has fewer), in index order."""
    headwords = index.headwords()
    if len(headwords) <= count:
        return headwords
    chosen = set(rng.sample(range(len(headwords)), count))
    return [h for i, h in enumerate(headwords) if i in chosen]


def _stale(output, inputs):
    return not os.path.exists(output) or any(
        os.path.getmtime(i) > os.path.getmtime(output) for i in inputs)


def import_dictionaries(bin_dir, dictionaries, work, names):
    """Each dictionary imported alone (a page then shows its part only), two at a time; an
    import newer than dictbuild and the files is kept from an earlier run."""
    dictbuild = os.path.join(bin_dir, "dictbuild")
    databases = {}

    def build(name):
        index, data = (os.path.join(dictionaries, name + ext) for ext in (".index", ".dict.dz"))
        database = os.path.join(work, name + ".mdb")
        if _stale(database, [dictbuild, index, data]):
            if os.path.exists(database):
                os.remove(database)
            subprocess.run([dictbuild, "--no-index", "--dictd", index, data, database],
                           check=True, stdout=subprocess.DEVNULL, timeout=CALL_SECONDS * 2)
        return name, database

    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        for name, database in pool.map(build, names):
            databases[name] = database
    return databases


def pages(bin_dir, database, words):
    """Each word's page as the glossary copies it ("" when it has none)."""
    run = subprocess.run([os.path.join(bin_dir, "mdbview"), "page", database],
                         input="\n".join(words) + "\n", capture_output=True, text=True,
                         encoding="utf-8", errors="replace", timeout=CALL_SECONDS)
    if run.returncode not in (0, 1):
        raise RuntimeError(f"mdbview page {database}: {run.stderr.strip()}")
    # A page stands on lines of its own, ended by a line end; a word without one adds none.
    texts = [text[:-1] if text.endswith("\n") else text
             for text in re.split(r"(?:^|(?<=\n))\f\n", run.stdout)]
    if len(texts) != len(words):
        raise RuntimeError(f"mdbview page {database}: {len(texts)} pages for {len(words)} words")
    return dict(zip(words, texts))


def _readable_by_all(path):
    """Whether any user may read the file: it, and every folder above it, open to others."""
    if not os.stat(path).st_mode & stat.S_IROTH:
        return False
    folder = os.path.dirname(path)
    while True:
        if not os.stat(folder).st_mode & stat.S_IXOTH:
            return False
        if os.path.dirname(folder) == folder:
            return True
        folder = os.path.dirname(folder)


def _free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class DictServer:
    """dictd in the foreground on a free port of 127.0.0.1, over the dictionaries' own files,
    with a configuration of its own; stopped on leaving, whatever happens."""

    def __init__(self, dictionaries, names, work):
        self.work = os.path.join(work, "dictd")
        os.makedirs(self.work, exist_ok=True)
        files = [os.path.abspath(os.path.join(dictionaries, name + ext))
                 for name in names for ext in (".dict.dz", ".index")]
        self.staged = None
        # Run as root, dictd becomes user dictd (or nobody): where that user cannot read the
        # files (a checkout in /root), it reads copies in a folder of the test's own.
        if os.geteuid() == 0 and not all(_readable_by_all(f) for f in files):
            self.staged = tempfile.mkdtemp(prefix="dictd-oracle-")
            os.chmod(self.staged, 0o755)
            for source in files:
                shutil.copyfile(source, os.path.join(self.staged, os.path.basename(source)))
                os.chmod(os.path.join(self.staged, os.path.basename(source)), 0o644)
            files = [os.path.join(self.staged, os.path.basename(f)) for f in files]
        home = self.staged or self.work
        os.chmod(home, 0o755)
        self.config = os.path.join(home, "dictd.conf")
        with open(self.config, "w", encoding="utf-8") as config:
            for name, data, index in zip(names, files[0::2], files[1::2]):
                config.write(f'database {name} {{ data "{data}" index "{index}" }}\n')
        self.process = None
        self.port = None

    def __enter__(self):
        for _ in range(5):  # another program may take the port between probe and start
            self.port = _free_port()
            self.log = open(os.path.join(self.work, "dictd.log"), "w")
            self.process = subprocess.Popen(
                ["dictd", "-c", self.config, "-p", str(self.port), "--listen-to", "127.0.0.1",
                 "-d", "nodetach", "--pid-file", os.path.join(self.work, "dictd.pid"),
                 "--locale", "C.UTF-8"],
                stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
            for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
                signal.signal(sig, self._stopped)
            if self._answers():
                return self
            self._stop()
        raise RuntimeError("dictd did not answer: " + open(self.log.name).read()[-2000:])

    def __exit__(self, *_):
        self._stop()
        if self.staged:
            shutil.rmtree(self.staged, ignore_errors=True)

    def _stopped(self, signum, _frame):
        self._stop()
        raise SystemExit(128 + signum)

    def _answers(self):
        deadline = time.monotonic() + STARTUP_SECONDS
        while time.monotonic() < deadline and self.process.poll() is None:
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=5) as client:
                    client.settimeout(30)
                    if client.recv(3) == b"220":
                        return True
            except OSError:
                time.sleep(0.2)
        return False

    def _stop(self):
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout=10)
        self.process = None

    def _dict(self, name, words, encoding):
        run = subprocess.run(["dict", "-h", "127.0.0.1", "-p", str(self.port), "-d", name, "-C",
                              "--"] + [w.encode(encoding, errors="replace") for w in words],
                             capture_output=True, timeout=CALL_SECONDS)
        if run.returncode >= 30:  # 20 and 21: some word was not found
            raise RuntimeError(f"dict -d {name}: exit code {run.returncode}: "
                               + run.stderr.decode(errors="replace")[-500:])
        return run.stdout.decode(encoding, errors="replace")

    def define(self, name, words, index):
        """What dict prints for each word: its definitions' texts, in order."""
        found = {}
        for start in range(0, len(words), BATCH):
            self._define(name, words[start:start + BATCH], found, index)
        return found

    def _define(self, name, words, found, index):
        answers = _split_answers(self._dict(name, words, index.encoding), name)
        # A word without definitions leaves no trace in the output, so the answers of a batch
        # are checked against the index: a word whose count is off is asked alone; when many
        # are, the answers may have shifted, and every word is asked alone.
        if len(answers) == len(words):
            found.update(zip(words, answers))
            off = [w for w, a in zip(words, answers) if len(a) != len(index.filed(w))]
        else:
            off = words
        if len(off) > 2:
            off = words
        for word in off:
            single = _split_answers(self._dict(name, [word], index.encoding), name)
            found[word] = single[0] if single else []  # dict says "No definitions found"


_COUNT = re.compile(r"^\d+ definitions? found$")


def _split_answers(output, name):
    """dict's output as one list of definition texts a word: a word's answer starts with its
    count, each definition with "From <description> [name]:"; text lines are indented two."""
    source = re.compile(r"^From .* \[" + re.escape(name) + r"\]:$")
    answers = []
    for line in output.split("\n"):
        if _COUNT.match(line):
            answers.append([])
        elif source.match(line) and answers:
            answers[-1].append([])
        elif answers and answers[-1]:
            answers[-1][-1].append(line[2:] if line.startswith("  ") else line)
    return [["\n".join(lines).strip("\n") for lines in definitions] for definitions in answers]
