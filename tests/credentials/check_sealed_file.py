#!/usr/bin/env python3
"""Checks a credentials file against an independent computation of the scheme.

    check_sealed_file.py <credentials file> <user name> <password>

The key comes from Python's hashlib (SHA-1 of the pass phrase's UTF-16LE bytes, expanded
the way CryptDeriveKey expands a short digest) and the ciphertexts from the openssl
command line (des-ede3-cbc, zero IV, PKCS #5 padding). Both must equal the file's bytes.
"""
import hashlib
import re
import subprocess
import sys


def derive_key(phrase):
    digest = hashlib.sha1(phrase.encode("utf-16-le")).digest()
    block = digest.ljust(64, b"\0")
    inner = bytes(b ^ 0x36 for b in block)
    outer = bytes(b ^ 0x5C for b in block)
    return (hashlib.sha1(inner).digest() + hashlib.sha1(outer).digest())[:24]


def encrypt(key, text):
    return subprocess.run(
        ["openssl", "enc", "-des-ede3-cbc", "-K", key.hex(), "-iv", "0" * 16],
        input=text.encode("utf-16-le"), capture_output=True, check=True).stdout


def main():
    path, user, password = sys.argv[1:4]
    source = open(path, encoding="ascii").read()
    lists = re.findall(r"\{([^}]*)\}", source)
    phrase = re.search(r'u"((?:[^"\\]|\\.)*)"', source).group(1)
    phrase = re.sub(r"\\(.)", r"\1", phrase)
    if len(lists) != 2 or len(phrase) != 39:
        sys.exit("FAIL: %s does not hold two ciphertexts and a 39-character pass phrase" % path)
    sealed = [bytes(int(b, 16) for b in l.split(",") if b.strip()) for l in lists]
    key = derive_key(phrase)
    failed = False
    for name, text, got in (("user name", user, sealed[0]), ("password", password, sealed[1])):
        want = encrypt(key, text)
        if want != got:
            print("FAIL: %s: file holds %s, independent computation gives %s"
                  % (name, got.hex(), want.hex()))
            failed = True
    print("key %s" % key.hex())
    sys.exit(1 if failed else 0)


main()
