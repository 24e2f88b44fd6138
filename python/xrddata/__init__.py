"""X-ray powder-diffraction data: read instrument files into numpy arrays, process patterns.

    >>> import xrddata
    >>> m = xrddata.read("scan.xrdml")        # Measurement: .format, .metadata, .scans
    >>> scan = m.scans[0]                       # Scan: .two_theta, .counts, .sigma (numpy float64)
    >>> p = xrddata.Pattern.read("scan.raw")    # processing: strip_ka2, fit_background, ...
    >>> p.strip_ka2(); bg = p.fit_background(); p.subtract_background().write("out.xye")

xrddata.batch processes many files on a Dask cluster.
"""

from ._xrddata import (
    FormatError,
    Measurement,
    Pattern,
    Scan,
    formats,
    read,
    read_bytes,
)

__all__ = ["FormatError", "Measurement", "Pattern", "Scan", "formats", "read", "read_bytes"]
__version__ = "2.0.0"
