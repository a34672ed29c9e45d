# What a Python user would run instead of the file filter: read the signal, filter it
# with the cascade's second-order sections, write it back in the same layout.
# Usage: python3 sosfilt_baseline.py SOS.txt IN.xicd OUT.yicd
import sys

import numpy as np
import scipy.signal

sos = np.loadtxt(sys.argv[1], ndmin=2)
x = np.loadtxt(sys.argv[2])
y = scipy.signal.sosfilt(sos, x)
np.savetxt(sys.argv[3], y, fmt="%23.14E", newline="\r\n")
