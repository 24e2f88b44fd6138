#!/usr/bin/env python3
"""The tour of docs/python.md as a script: reads the example pattern, strips K-alpha2, fits the background and
plots pattern, background and stripped pattern into docs/images/python_tour.png.

    PYTHONPATH=build/python /usr/bin/python3 docs/python_tour.py [OUTPUT.png] [INPUT]
"""

import os
import sys

import matplotlib

matplotlib.use("Agg")  # files only; no screen needed
import matplotlib.pyplot as plt  # noqa: E402

import xrddata  # noqa: E402

here = os.path.dirname(os.path.abspath(__file__))
output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "images", "python_tour.png")
source = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, os.pardir, "examples", "corundum.raw")

try:
    measurement = xrddata.read(source)
    meta = measurement.metadata
    print(f"{os.path.basename(source)}: {measurement.format} (code {measurement.format_code}), "
          f"{len(measurement.scans)} scan(s), {measurement.total_points} points")
    print("sample:", meta["sample"], "| anode:", meta["anode"], "| wavelength:", meta["wavelength"])
except xrddata.FormatError as e:
    # Pattern.read below also takes the files only the pattern import reads.
    print("read():", e)

pattern = xrddata.Pattern.read(source)
raw = pattern.counts                   # a copy, taken before stripping
pattern.strip_ka2()                     # in place, with the anode's K-alpha2 ratio
background = pattern.fit_background()   # scale length and stiffness from the stored defaults
net = pattern.subtract_background()     # a new pattern; this one keeps its points

fig, ax = plt.subplots(figsize=(9, 4.5), dpi=110)
ax.plot(pattern.two_theta, raw, lw=0.8, color="0.55", label="measured")
ax.plot(pattern.two_theta, pattern.counts, lw=0.8, color="tab:blue", label=r"K$\alpha_2$ stripped")
ax.plot(pattern.two_theta, background, lw=1.5, color="tab:red", label="background")
ax.set_xlabel(r"2$\theta$ (degrees)")
ax.set_ylabel("counts")
ax.set_title(pattern.sample or os.path.basename(source))
ax.legend()
fig.tight_layout()
os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
fig.savefig(output)
print(f"wrote {output}; net counts up to {net.counts.max():.0f}")
