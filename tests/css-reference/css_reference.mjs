// irochi's CSS notations against an implementation of CSS Color 4 that no one
// here wrote (colorjs.io, by the people who edit CSS's colour syntax). For 10,000
// colours, the 40 swatches and the corners of the cube among them:
//  - every CSS notation irochi writes parses, in the reference, as the same
//    8-bit colour;
//  - every number lies within its printed precision of the reference's own
//    conversion of the colour;
//  - no number could lose a decimal: that number rounded to one decimal
//    fewer from the reference's value reads, in irochi, as another colour,
//    or as the same one only on the edge of another.
// Then a table of CSS texts as people paste them gives, in irochi, the
// colour the reference gives.
// Usage: node css_reference.mjs NOTATION-PROBE
import Color from "colorjs.io";
import { spawnSync } from "node:child_process";

const probe = process.argv[2];
let failures = 0;
let checks = 0;
function check(ok, what) {
  checks++;
  if (!ok && ++failures <= 25) console.log("FAIL: " + what);
}

function run(mode, lines) {
  const out = spawnSync(probe, [mode], { input: lines.join("\n") + "\n", maxBuffer: 1 << 28 });
  if (out.status !== 0) throw new Error(`notation_probe ${mode} failed: ${out.stderr}`);
  return out.stdout.toString().trimEnd().split("\n");
}

// The colour value as r, g, b.
const channels = (v) => [v & 255, (v >> 8) & 255, (v >> 16) & 255];

// The 8-bit sRGB colour the reference shows for a text: `none` as 0, mapped
// into sRGB by CSS's own gamut mapping, each channel rounded to the nearest.
function referenceColour(text) {
  try {
    const color = new Color(text);
    color.coords = color.coords.map((v) => (Number.isNaN(+v) ? 0 : +v));
    const srgb = color.to("srgb").toGamut({ space: "srgb", method: "css" });
    return srgb.coords.map((v) => Math.round(Math.min(1, Math.max(0, v)) * 255));
  } catch {
    return null;
  }
}

// Which notations are CSS, the reference's space for each, and which of their
// numbers are percentages of 1 in the reference (hsl, hwb) or hues.
const CSS = {
  0: { name: "hex" },
  1: { name: "rgb", space: "srgb", scale: [255, 255, 255] },
  2: { name: "hsl", space: "hsl", hue: 0 },
  3: { name: "hwb", space: "hwb", hue: 0 },
  4: { name: "lab", space: "lab" },
  5: { name: "lch", space: "lch", hue: 2 },
  6: { name: "oklab", space: "oklab" },
  7: { name: "oklch", space: "oklch", hue: 2 },
  8: { name: "display-p3", space: "p3" },
  15: { name: "name" },
};

// 10,000 colours: the swatches, the corners, then a fixed pseudo-random draw.
const swatches = [
  0x000000, 0x000080, 0x0000ff, 0xff00ff, 13408767, 13209, 26367, 39423, 52479, 10079487, 13107,
  0x008080, 52377, 0x00ffff, 10092543, 13056, 0x008000, 6723891, 0x00ff00, 13434828, 6697728,
  0x808000, 13421619, 0xffff00, 16777164, 0x800000, 0xff0000, 16737843, 16763904, 16764057,
  10040115, 10053222, 0x800080, 6697881, 16751052, 3355443, 0x808080, 9868950, 0xc0c0c0, 0xffffff,
];
const corners = [0x000000, 0x0000ff, 0x00ff00, 0x00ffff, 0xff0000, 0xff00ff, 0xffff00, 0xffffff];
const colours = [...swatches, ...corners];
let seed = 20261210;
while (colours.length < 10000) {
  seed = (seed * 1103515245 + 12345) % 2147483648;
  colours.push(seed & 0xffffff);
}

const numberPattern = /-?\d+(\.\d+)?/g;
const alternatives = []; // [text, colour, what]
for (const line of run("write", colours.map(String))) {
  const [value, kind, exact, text] = line.split("\t");
  const notation = CSS[kind];
  if (!notation || exact !== "1") continue;
  const rgb = channels(+value);
  const seen = referenceColour(text);
  check(seen && seen.join() === rgb.join(), `${text} is ${seen} in the reference, not ${rgb}`);
  if (!notation.space || notation.name === "rgb") continue;

  // The numbers after the function's name (display-p3's "3" is no number).
  const head = notation.name === "display-p3" ? "color(display-p3 ".length : text.indexOf("(") + 1;
  const written = [...text.slice(head).matchAll(numberPattern)];
  const reference = new Color("srgb", rgb.map((c) => c / 255)).to(notation.space).coords;
  written.forEach((match, i) => {
    const digits = match[0];
    const decimals = digits.includes(".") ? digits.length - digits.indexOf(".") - 1 : 0;
    let exactValue = reference[i];
    const isHue = i === notation.hue;
    // A grey has no hue (the reference says NaN); hsl(), lch() and oklch()
    // with no saturation or chroma written have none either.
    const huelessColour = isHue && (Number.isNaN(exactValue) ||
      (notation.name !== "hwb" && +written[1][0] === 0));
    if (huelessColour) {
      check(+digits === 0, `${text}: a colour without hue is written with hue 0`);
      return;
    }
    let difference = Math.abs(+digits - exactValue);
    if (isHue) difference = Math.min(difference, 360 - difference);
    const tolerance = 0.5 * 10 ** -decimals + 1e-9 * Math.max(1, Math.abs(exactValue));
    check(difference <= tolerance,
      `${text}: number ${i + 1} is ${digits}, the reference ${exactValue} (±${tolerance})`);
    if (decimals > 0) {
      let fewer = (Math.round(exactValue * 10 ** (decimals - 1)) / 10 ** (decimals - 1));
      if (isHue && fewer >= 360) fewer = 0;
      const start = head + match.index;
      const shorter = text.slice(0, start) + String(+fewer.toFixed(decimals - 1)) +
        text.slice(start + digits.length);
      alternatives.push([shorter, +value, `${text} could be ${shorter}`]);
    }
  });
}
// A shorter text counts only if it reads back with irochi's margin: also
// with every number moved by a billionth up and down, so that no other
// reader's rounding could make it another colour.
const nudged = (text, nudge) => {
  const head = text.startsWith("color(") ? "color(display-p3 ".length : text.indexOf("(") + 1;
  return text.slice(0, head) + text.slice(head).replace(numberPattern,
    (n) => String(+n === 0 ? nudge : +n * (1 + nudge)));
};
const trials = alternatives.flatMap(([text]) => [text, nudged(text, 1e-9), nudged(text, -1e-9)]);
const readBack = run("read", trials);
alternatives.forEach(([, value, what], i) => {
  const same = readBack.slice(3 * i, 3 * i + 3).every(
    (back) => back !== "none" && channels(+back).join() === channels(value).join());
  check(!same, what);
});

// Pasted CSS: irochi reads what the reference reads.
const pasted = [
  "#0f8", "#0F8C", "#12ab9f", "#12AB9F80", "rgb(18, 171, 159)", "rgba(18,171,159,0.5)",
  "rgb(7% 67% 62%)", "rgb(7%, 67%, 62%)", "rgb(18 171 159 / 40%)", "rgb(18.6 170.4 159.5)",
  "RGB(58, 91, 64)", "rgb(none 171 159)", "hsl(174 81% 37%)", "hsla(174, 81%, 37%, .5)",
  "hsl(174deg 81% 37%)", "hsl(193.33grad 81% 37%)", "hsl(3.0369rad 81% 37%)",
  "hsl(0.4833turn 81% 37%)", "hsl(-186 81% 37%)", "hsl(534 81% 37%)", "hsl(none 0% 50%)",
  "hwb(174 7% 33%)", "hwb(174 60% 60%)", "hwb(174deg 7% 33% / 0.2)",
  "lab(62.5 -45 -2)", "lab(62.5% -36% -1.6%)", "lab(50 200 0)", "lab(90 -120 100)",
  "lab(120 0 0)", "lch(62.5 45 182)", "lch(62.5 30% 182deg)", "lch(50 150 30)",
  "lch(none 45 182)", "oklab(0.65 -0.12 -0.01)", "oklab(65% -30% -2.5%)", "oklab(0.7 0.4 0.4)",
  "oklch(0.65 0.12 185)", "oklch(65% 30% 185)", "oklch(0.7 0.4 145)", "oklch(0.9 0.37 90)",
  "oklch(0.5 0.3 none)", "oklch(0.65 0.12 0.514turn)", "color(srgb 0.07 0.67 0.62)",
  "color(srgb 7% 67% 62% / 0.5)", "color(srgb 1.2 -0.1 0.5)", "color(srgb-linear 0.2 0.4 0.3)",
  "color(display-p3 0 1 0)", "color(display-p3 1 0 0)", "color(display-p3 0.2 0.65 0.6)",
  "color(xyz 0.2 0.3 0.4)", "color(xyz-d65 0.9 0.2 0.1)", "color(xyz-d50 0.2 0.3 0.4)",
  "teal", "RebeccaPurple", "LightGoldenrodYellow",
];
const pastedBack = run("read", pasted);
pasted.forEach((text, i) => {
  const expected = referenceColour(text);
  const back = pastedBack[i] === "none" ? null : channels(+pastedBack[i]);
  check(expected && back && back.join() === expected.join(),
    `pasted ${text}: irochi ${back}, the reference ${expected}`);
});

console.log(`${checks - failures} passed, ${failures} failed`);
process.exit(failures ? 1 : 0);
