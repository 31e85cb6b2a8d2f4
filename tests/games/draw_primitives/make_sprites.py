# Writes the sprite the game blends: 16x16 of (100, 50, 0), the left half opaque and
# the right half at alpha 128. Run from this folder; the PNG is kept beside it.
import struct, zlib

def write_png(path, w, h, pixel):
    raw = b''.join(b'\0' + b''.join(bytes(pixel(x, y)) for x in range(w)) for y in range(h))
    def chunk(tag, data):
        return struct.pack('>I', len(data)) + tag + data + struct.pack('>I', zlib.crc32(tag + data) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

write_png('sprites/half.png', 16, 16, lambda x, y: (100, 50, 0, 255 if x < 8 else 128))
