#!/usr/bin/env python3
"""Writes the sample firmware images of the local update server and their
checksum files (simulator/server/firmware*/<channel>/). The images are
committed; run this only to change them. The content is a short header and
pseudo-random bytes from a fixed seed, so the output is the same on every run.
Each length is not a multiple of 1024, so the last piece of a download and of
the copy onto the radio is a short one."""

import hashlib
import os

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, '..', 'server')

# folder, version, family, length in bytes
IMAGES = [
    ('firmware/latest', '2.2.0', 'HXA', 65536 + 321),
    ('firmware/beta', '2.3.0', 'HXA', 73728 + 77),
    ('firmware-hxb/latest', '1.1.0', 'HXB', 65536 + 5),
    ('firmware-hxb/beta', '1.2.0', 'HXB', 81920 + 999),
]


def pseudo_random(seed, length):
    # xorshift64: small and the same everywhere
    state = seed or 1
    out = bytearray()
    while len(out) < length:
        state ^= (state << 13) & 0xFFFFFFFFFFFFFFFF
        state ^= state >> 7
        state ^= (state << 17) & 0xFFFFFFFFFFFFFFFF
        out += state.to_bytes(8, 'little')
    return bytes(out[:length])


def main():
    for folder, version, family, length in IMAGES:
        path = os.path.join(SERVER, folder)
        os.makedirs(path, exist_ok=True)
        header = f'BVN1 Brelvan Ondavox firmware {version} for {family}\n'.encode()
        seed = int(hashlib.md5(folder.encode()).hexdigest()[:16], 16)
        image = header + pseudo_random(seed, length - len(header))
        with open(os.path.join(path, 'Ondavox_update.bvn'), 'wb') as f:
            f.write(image)
        with open(os.path.join(path, 'Ondavox_update.md5'), 'w') as f:
            f.write(f'{hashlib.md5(image).hexdigest()}  Ondavox_update.bvn\n')
        with open(os.path.join(path, 'version.info'), 'w') as f:
            f.write(f'{version}\n')


if __name__ == '__main__':
    main()
