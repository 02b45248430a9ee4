// The real-browser check of tavlin-view's page: headless Chromium opens the
// page of the bundled sample, with no console error and no request beyond
// the file itself; its screenshot (kept at SHOT) is not blank and shows the
// strips of the three decoders in their colours. Then it opens a page of 50
// dense records and prints how long it took to load and render.
//   node check_page.mjs SAMPLE_PAGE SHOT BIG_PAGE
import { chromium } from 'playwright-core';

const [samplePage, shot, bigPage] = process.argv.slice(2);
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});
const problems = [];
const page = await browser.newPage({ viewport: { width: 1400, height: 1300 } });
page.on('console', (m) => { if (m.type() === 'error' || m.type() === 'warning') problems.push(`console: ${m.text()}`); });
page.on('pageerror', (e) => problems.push(`page error: ${e}`));
page.on('request', (r) => { if (!r.url().startsWith('file:') && !r.url().startsWith('data:')) problems.push(`request: ${r.url()}`); });

await page.goto(`file://${samplePage}`, { waitUntil: 'load' });
const png = await page.screenshot({ path: shot });
// The browser decodes its own screenshot: pixels that are not white, and
// those near each decoder's colour.
const counts = await page.evaluate(async (data) => {
  const image = new Image();
  image.src = `data:image/png;base64,${data}`;
  await image.decode();
  const canvas = document.createElement('canvas');
  canvas.width = image.width;
  canvas.height = image.height;
  const context = canvas.getContext('2d');
  context.drawImage(image, 0, 0);
  const pixels = context.getImageData(0, 0, canvas.width, canvas.height).data;
  const colours = { K: [0x1f, 0x6f, 0xb4], M: [0xc4, 0x5a, 0x00], S: [0x13, 0x8a, 0x6a] };
  const found = { all: pixels.length / 4, notWhite: 0, K: 0, M: 0, S: 0 };
  for (let i = 0; i < pixels.length; i += 4) {
    const [r, g, b] = [pixels[i], pixels[i + 1], pixels[i + 2]];
    if (r + g + b < 740) found.notWhite++;
    for (const [letter, [cr, cg, cb]] of Object.entries(colours))
      if (Math.abs(r - cr) + Math.abs(g - cg) + Math.abs(b - cb) < 90) found[letter]++;
  }
  return found;
}, png.toString('base64'));
const bands = await page.evaluate(() => document.querySelectorAll('svg g.band').length);

if (counts.notWhite < counts.all / 50) problems.push(`the screenshot is blank: ${counts.notWhite} of ${counts.all} pixels not white`);
for (const letter of ['K', 'M', 'S'])
  if (counts[letter] < 300) problems.push(`the screenshot shows little of decoder ${letter}: ${counts[letter]} pixels`);
if (bands !== 9) problems.push(`the page has ${bands} decoder strips, not 9 (3 records, 3 decoders)`);

const start = Date.now();
await page.goto(`file://${bigPage}`, { waitUntil: 'load' });
await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done))));
const elapsed = Date.now() - start;
await browser.close();

if (problems.length > 0) {
  console.error(problems.join('\n'));
  process.exit(1);
}
console.log(`browser: the sample page shows its 3 records and 3 decoders (${counts.notWhite} of ${counts.all} pixels drawn)`);
console.log(`browser: a page of 50 dense records loaded and rendered in ${elapsed} ms`);
