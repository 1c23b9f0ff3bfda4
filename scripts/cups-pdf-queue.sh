#!/usr/bin/env bash
# Sets up what the printing tests print to: a CUPS scheduler and a PDF queue (cups-pdf) named
# QuillaryPDF whose files land in /var/spool/cups-pdf/USER. Needs root; run once per machine.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y --no-install-recommends cups printer-driver-cups-pdf >/dev/null
sed -i 's|^#\?Out .*|Out /var/spool/cups-pdf/${USER}|' /etc/cups/cups-pdf.conf
# Without systemd (a container, CI) the scheduler is started by hand.
running() { lpstat -r 2>/dev/null | grep -q 'is running'; }
if ! running; then
  cupsd
  for _ in $(seq 50); do running && break; sleep 0.1; done
fi
# cups-pdf reads PostScript; made from the PDF by pdftocairo, its fonts keep their Unicode
# names and the PDF cups-pdf writes has the document's text (Ghostscript's ps2write loses it).
lpadmin -p QuillaryPDF -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
  -o pdftops-renderer-default=pdftocairo 2>/dev/null
lpstat -p QuillaryPDF
