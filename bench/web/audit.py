#!/usr/bin/python3
"""Lighthouse's mobile audit of the page, served compressed on 127.0.0.1: prints
the four scores (performance, accessibility, best practices, SEO).

Usage: audit.py DIST LIGHTHOUSE_DIR. Lighthouse is installed at its pinned version
into LIGHTHOUSE_DIR by npm when it is not there yet, and runs Debian's Chromium,
headless, with the machine's background connections off (they cannot reach
anything here and would only slow the audit).
"""
import functools
import http.server
import json
import os
import subprocess
import sys
import tempfile
import threading

LIGHTHOUSE = '12.2.3'
CHROME_FLAGS = ('--headless --no-sandbox --disable-gpu --disable-background-networking '
                '--disable-component-update --disable-sync --no-first-run')
CATEGORIES = ['performance', 'accessibility', 'best-practices', 'seo']


class Compressed(http.server.SimpleHTTPRequestHandler):
    """Sends a file's .gz beside it to a browser that takes gzip, as a server with
    pre-compressed files does."""

    def log_message(self, *args):
        pass

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path):
            path = os.path.join(path, 'index.html')
        takes_gzip = 'gzip' in self.headers.get('Accept-Encoding', '')
        if not takes_gzip or not os.path.isfile(path + '.gz'):
            return super().send_head()
        body = open(path + '.gz', 'rb')
        self.send_response(200)
        self.send_header('Content-Type', self.guess_type(path))
        self.send_header('Content-Encoding', 'gzip')
        self.send_header('Content-Length', str(os.fstat(body.fileno()).st_size))
        self.send_header('Cache-Control', 'max-age=31536000')
        self.end_headers()
        return body


def install(folder):
    cli = os.path.join(folder, 'node_modules', 'lighthouse', 'cli', 'index.js')
    if not os.path.isfile(cli):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(['npm', 'install', '--prefix', folder, '--no-audit', '--no-fund', '-E',
                        'lighthouse@' + LIGHTHOUSE], check=True)
    return cli


def main():
    dist, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    cli = install(folder)
    Compressed.extensions_map = {**Compressed.extensions_map, '.wasm': 'application/wasm',
                                 '.webmanifest': 'application/manifest+json'}
    server = http.server.ThreadingHTTPServer(
        ('127.0.0.1', 0), functools.partial(Compressed, directory=dist))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = 'http://127.0.0.1:%d/' % server.server_address[1]
    with tempfile.TemporaryDirectory() as work:
        report = os.path.join(work, 'report.json')
        env = dict(os.environ, CHROME_PATH='/usr/bin/chromium')
        subprocess.run(['node', cli, url, '--quiet', '--output=json', '--output-path=' + report,
                        '--only-categories=' + ','.join(CATEGORIES),
                        '--chrome-flags=' + CHROME_FLAGS], check=True, env=env)
        with open(report) as f:
            result = json.load(f)
    server.shutdown()
    for name in CATEGORIES:
        score = result['categories'][name]['score']
        print('%-15s %s' % (name, 'none' if score is None else round(score * 100)))
    for name, audit in sorted(result['audits'].items()):
        if audit.get('scoreDisplayMode') == 'numeric' and name in (
                'first-contentful-paint', 'largest-contentful-paint', 'total-blocking-time',
                'cumulative-layout-shift', 'speed-index'):
            print('  %-26s %s' % (name, audit.get('displayValue')))
    for name in CATEGORIES[1:]:
        for ref in result['categories'][name]['auditRefs']:
            audit = result['audits'][ref['id']]
            if ref['weight'] and audit.get('score') is not None and audit['score'] < 1:
                print('  %s: %s' % (name, audit['title']))


if __name__ == '__main__':
    main()
