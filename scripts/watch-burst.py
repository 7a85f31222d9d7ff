#!/usr/bin/env python3
# How a burst of files written by another process reaches `usercollection watch`:
#   scripts/watch-burst.py DATA-DIR PROGRAM COUNT
# DATA-DIR holds one saved title, which is copied COUNT times under new ids, each written
# to a hidden name and renamed into place as a save does. Prints how long the writes took,
# how many lines came, how long after the last write the last line came, and in how many
# bursts (lines more than 0.1 s apart) they came.
import subprocess, time, uuid, os, sys, glob, threading
root = sys.argv[1]; exe = sys.argv[2]; n = int(sys.argv[3])
seed = open(glob.glob(root + '/overlays/*')[0]).read()
oldid = seed.split('<id>')[1].split('</id>')[0]
p = subprocess.Popen([exe, '--data', root, '--json', 'watch'], stdout=subprocess.PIPE, text=True)
p.stdout.readline()
times = []
def reader():
    for line in p.stdout:
        times.append(time.time())
t = threading.Thread(target=reader, daemon=True); t.start()
start = time.time()
for i in range(n):
    new = '{%s}' % uuid.uuid4()
    doc = seed.replace(oldid, new).replace('<text>Seed</text>', '<text>Burst %d</text>' % i)
    name = os.path.join(root, 'overlays', '{%s}' % uuid.uuid4())
    tmp = os.path.join(root, 'overlays', '.tmp-%d' % i)
    open(tmp, 'w').write(doc); os.rename(tmp, name)
written = time.time()
while len(times) < n and time.time() - written < 30:
    time.sleep(0.05)
p.terminate(); p.wait()
batches = 1 + sum(1 for a, b in zip(times, times[1:]) if b - a > 0.1)
print('items %d written in %.2fs; lines %d; last line %.2fs after the last write; bursts of lines %d; exit %d' % (n, written - start, len(times), (times[-1] - written) if times else -1, batches, p.returncode))
