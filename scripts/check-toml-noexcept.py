#!/usr/bin/env python3
"""Checks that no check of the TOML library's on the parse path sits in a noexcept frame.

The program's check hook (src/common/toml.h) throws a toml::parse_error, so that a check the text
breaks is refused like a syntax error. Thrown inside a noexcept function or lambda, or inside
anything such a frame calls, it becomes std::terminate instead. clang-tidy's
bugprone-exception-escape follows the direct calls, lambdas, constructors and member initialisers
from each noexcept frame of the library's copy in the build (with the program's own hook and
settings) and names the frames a throw can leave. Each one must be a site that no text reaches
(ACCEPTED, with its reason).

What it cannot see: it does not follow virtual calls, calls through pointers, default arguments or
implicit destructor calls, so a noexcept frame passes whatever is thrown behind one of those. On
the parse path that is the reader: utf8_buffered_reader::read_next reaches the reader that decodes
the text, which throws the library's own parse error for bytes that are no UTF-8, only through
the virtual utf8_reader_interface::read_next. Made plain noexcept again, it passes this check;
the test TomlLibrary.ItsReaderRefusesTextThatIsNoUtf8AsASyntaxError (tests/common/toml_test.cpp,
in the common test program, on the program's own copy of the library) then ends in
std::terminate. The other virtual calls to the reader (source_path, peek_eof) reach nothing that
throws for a text, and the calls through pointers (the integer parser's digit tests) reach no check.

Then the check shows it can fail: on a copy with thirdparty/tomlplusplus-noexcept-checks.patch
taken out again, it must find exactly the frames that patch mends (PUT_BACK).

Usage: check-toml-noexcept.py --clang-tidy PATH --headers DIR --source FILE --noexcept-patch FILE
       --stamp FILE [--patch PATH] [-- compiler arguments]
Exits 1, naming each frame, when a check of the parse path is in a noexcept frame again.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

# Frames that may end in terminate on a failed check because no text reaches their checks: they
# check what the program hands over, and the program breaks no such promise (a failure there
# would be a fault of the program's own, for the fatal path).
ACCEPTED = {
    # toml::path and at_path() parse a path the program writes, never the settings text; the
    # program uses neither.
    ("impl/at_path.h", "at_path"): "a path the program writes",
    ("impl/at_path.inl", "at_path"): "a path the program writes",
    ("impl/at_path.inl", "operator()"): "a path the program writes",
    ("impl/node.h", "at_path"): "a path the program writes",
    ("impl/node.inl", "at_path"): "a path the program writes",
    ("impl/path.h", "*"): "a path the program writes",
    ("impl/path.inl", "*"): "a path the program writes",
    # ref<T>() on a node of another type; the program reads nodes through as<T>() and checks.
    ("impl/node.h", "do_ref"): "the type the program asks for",
    ("impl/node_view.h", "ref"): "the type the program asks for",
    # A formatter of no node: the program always hands one over.
    ("impl/formatter.h", "formatter"): "the node the program hands over",
    ("impl/formatter.inl", "formatter"): "the node the program hands over",
    ("impl/toml_formatter.h", "toml_formatter"): "the node the program hands over",
    ("impl/json_formatter.h", "json_formatter"): "the node the program hands over",
    ("impl/yaml_formatter.h", "yaml_formatter"): "the node the program hands over",
}

# What the noexcept-checks patch mends: without it, these frames of the parse path are found.
PUT_BACK = sorted([
    ("impl/parser.inl", "operator()"),  # utf8_byte_stream<string_view>'s call operator
    ("impl/parser.inl", "step_back"),
    ("impl/parser.inl", "go_back"),
    ("impl/parser.inl", "operator()"),  # parse_value's backpedal lambda
    ("impl/unicode.h", "operator()"),  # utf8_decoder's call operator for a byte
    ("impl/unicode.h", "operator()"),  # and for a char
])

FINDING = re.compile(
    r"^(?P<file>.+?):(?P<line>\d+):\d+: warning: an exception may be thrown in function "
    r"'(?P<function>.+)' which should not throw exceptions \[bugprone-exception-escape\]$")


def run_tool(tool, command):
    """Runs a tool; one that cannot be started stops the check with one line saying so."""
    try:
        return subprocess.run(command, capture_output=True, text=True)
    except OSError as error:
        sys.exit("check-toml-noexcept: %s cannot run from %s (%s): install %s "
                 "(scripts/install-deps.sh)" % (tool, command[0], error.strerror, tool))


def frames(clang_tidy, headers, source, arguments):
    """The noexcept frames of the library that a throw can leave: (header, function, line)."""
    toml = os.path.join(os.path.realpath(headers), "toml++") + os.sep
    command = [clang_tidy, "--quiet", "-checks=-*,bugprone-exception-escape",
               "-header-filter=.*", source, "--"] + arguments + ["-I" + headers]
    run = run_tool("clang-tidy", command)
    found = []
    for line in run.stdout.splitlines():
        match = FINDING.match(line)
        if match is None:
            continue
        path = os.path.realpath(match["file"])
        if not path.startswith(toml):
            sys.exit("check-toml-noexcept: a finding outside the library: " + line)
        found.append((path[len(toml):].replace(os.sep, "/"), match["function"],
                      int(match["line"])))
    # A compile error would hide every finding: the check must have read all of the library.
    if run.returncode != 0 or re.search(r": error: ", run.stdout + run.stderr):
        sys.exit("check-toml-noexcept: clang-tidy could not read the library (exit code %d):\n%s%s"
                 % (run.returncode, run.stdout, run.stderr))
    return found


def accepted(frame):
    header, function, _ = frame
    return (header, function) in ACCEPTED or (header, "*") in ACCEPTED


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--clang-tidy", required=True)
    parser.add_argument("--headers", required=True, help="the folder that holds toml++/")
    parser.add_argument("--source", required=True)
    parser.add_argument("--noexcept-patch", required=True)
    parser.add_argument("--patch", default="patch")
    parser.add_argument("--stamp", required=True)
    parser.add_argument("arguments", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    arguments = [a for a in options.arguments if a != "--"]

    wrong = [f for f in frames(options.clang_tidy, options.headers, options.source, arguments)
             if not accepted(f)]
    if wrong:
        for header, function, line in wrong:
            print("toml++/%s:%d: a check of the TOML library's can throw out of the noexcept "
                  "frame '%s': a settings text that breaks it ends the program in "
                  "std::terminate" % (header, line, function), file=sys.stderr)
        sys.exit(1)

    # The same check without the noexcept patch must find what that patch mends.
    with tempfile.TemporaryDirectory() as scratch:
        shutil.copytree(os.path.join(options.headers, "toml++"), os.path.join(scratch, "toml++"))
        undone = run_tool("patch", [options.patch, "-R", "-p1", "--batch",
                                    "--no-backup-if-mismatch", "-s", "-d",
                                    os.path.join(scratch, "toml++"), "-i", options.noexcept_patch])
        if undone.returncode != 0:
            sys.exit("check-toml-noexcept: cannot take the noexcept patch out again:\n"
                     + undone.stdout + undone.stderr)
        found = sorted((h, f) for h, f, _ in
                       frames(options.clang_tidy, scratch, options.source, arguments)
                       if not accepted((h, f, 0)))
    if found != PUT_BACK:
        sys.exit("check-toml-noexcept: without the noexcept patch the check should find\n  %s\n"
                 "but found\n  %s" % (PUT_BACK, found))

    with open(options.stamp, "w") as stamp:
        stamp.write("no check of the TOML library's on the parse path is in a noexcept frame\n")


if __name__ == "__main__":
    main()
