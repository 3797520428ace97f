"""Reads the IMA ADPCM sine that the conversion tests turned into 16-bit PCM at 8000 Hz through two
stages, and checks with numpy that its strongest frequency is still 1000 Hz."""
import sys

import numpy as np

x = np.frombuffer(open(sys.argv[1] + "/ima_to_8000.raw", "rb").read(), dtype="<i2").astype(float)
assert len(x) > 8000, len(x)
spectrum = np.abs(np.fft.rfft(x * np.hanning(len(x))))
peak = np.argmax(spectrum) * 8000 / len(x)
print("strongest frequency %.1f Hz, peak %d" % (peak, np.max(np.abs(x))))
if abs(peak - 1000) > 8000 / len(x) + 1 or np.max(np.abs(x)) < 15000:
    sys.exit("the two-stage conversion lost the 1000 Hz sine")
